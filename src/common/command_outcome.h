// How a command ended, as the command itself tells its caller: completed, cancelled, refused or
// failed, with the number of the error it reported. frixa-cli's exit code and the tests read
// this, not the message boxes that were shown.
#pragma once

namespace frixa {

enum class CommandEnd {
  kCompleted,  // did what it was asked (perhaps after a step that reported its own failure)
  kCancelled,  // the user declined: no file chosen, the answer No
  kRefused,    // would not work on what it was given (a run without data), or another command ran
  kFailed,     // an error stopped it
};

struct CommandOutcome {
  CommandEnd end = CommandEnd::kCompleted;
  // The number of the error the command ended on (refused or failed) or, when it completed, of
  // a step's failure that was reported and that the command went on after; 0 for none.
  int error = 0;
  // A message box told the user of a failure: the command "ended with an error message". False
  // where a failure is told in the status log only (Remove) or not at all.
  bool failureShown = false;

  static CommandOutcome Completed() { return {}; }
  static CommandOutcome Cancelled() { return {CommandEnd::kCancelled, 0, false}; }
  static CommandOutcome Refused(int error, bool shown) { return {CommandEnd::kRefused, error, shown}; }
  static CommandOutcome Failed(int error, bool shown) { return {CommandEnd::kFailed, error, shown}; }

  // Takes over the failure a step reported, unless one is kept already: the first one told.
  void NoteStep(const CommandOutcome& step) {
    if (step.failureShown && !failureShown) {
      error = step.error;
      failureShown = true;
    }
  }

  friend bool operator==(const CommandOutcome&, const CommandOutcome&) = default;
};

}  // namespace frixa

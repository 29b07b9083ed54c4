// Errors raised inside the core. Each carries the number the system reports to the user
// ("An ERROR ( 6) has occured") and the engine's or runtime's description, so that messages
// built from either read the same as those of the Jet engine and the window runtime.
#pragma once

#include <exception>
#include <string>

namespace frixa {

// Runtime error numbers the commands report.
namespace errnum {
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kDivisionByZero = 11;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kInternalError = 51;
inline constexpr int kBadFileNameOrNumber = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kBadFileMode = 54;
inline constexpr int kDiskFull = 61;
inline constexpr int kInputPastEnd = 62;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kInvalidProcedureCall = 5;
inline constexpr int kResourceNotFound = 326;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kInvalidUseOfNull = 94;
// Jet engine errors.
inline constexpr int kJetUpdateWithoutAddNew = 3020;
inline constexpr int kJetNoCurrentRecord = 3021;
inline constexpr int kJetFileNotFound = 3024;
inline constexpr int kJetDiskFull = 3026;
inline constexpr int kJetReadOnly = 3027;
inline constexpr int kJetInvalidPassword = 3031;
inline constexpr int kJetDiskError = 3043;
inline constexpr int kJetRecordTooLarge = 3047;
inline constexpr int kJetCannotOpen = 3051;
inline constexpr int kJetTooFewParameters = 3061;
inline constexpr int kJetNoSuchTable = 3078;
inline constexpr int kJetSyntax = 3075;  // "Syntax error (missing operator) in query expression"
inline constexpr int kJetInvalidStatement = 3129;
inline constexpr int kJetSyntaxInFrom = 3131;
inline constexpr int kJetSelectSyntax = 3141;
inline constexpr int kJetCharactersAfterEnd = 3142;
inline constexpr int kJetCriteriaTypeMismatch = 3464;
inline constexpr int kJetTextTooLong = 3163;
inline constexpr int kJetRecordDeleted = 3167;
inline constexpr int kJetDataChanged = 3197;
inline constexpr int kJetNullNotAllowed = 3314;
inline constexpr int kJetNumericOverflow = 3349;
inline constexpr int kJetConversionError = 3421;
inline constexpr int kJetItemNotFound = 3265;
inline constexpr int kJetZeroLengthNotAllowed = 3315;
inline constexpr int kJetUnrecognisedFormat = 3343;
inline constexpr int kJetCorrupt = 3049;
// Frixa's own errors, where neither the runtime nor the Jet engine has a number. The message the
// user reads (FrixaErrorDescription):
//   1001 smoothing refused  the reason, as given ("the file's information record is missing")
//   1002 combining refused  the reason, as given ("combining needs two calibration files or more")
//   1003 no run data        "No RUN DATA recorded"
//   1004 corrupt run data   "The Runtime Data is corrupt and cannot be processed"
//   1005 does not fit       what did not fit its page ("EncodeTdefPage: definition longer than a
//                           page"); std::length_error keeps its one meaning, out of memory
inline constexpr int kSmoothingRefused = 1001;
inline constexpr int kCombiningRefused = 1002;
inline constexpr int kNoRunData = 1003;
inline constexpr int kCorruptRunData = 1004;
inline constexpr int kDoesNotFit = 1005;
}  // namespace errnum

class Error : public std::exception {
 public:
  Error(int number, std::string description)
      : number_(number), description_(std::move(description)) {}

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int number_;
  std::string description_;
};

// Bytes that do not fit the place made for them: rows on a data page, index entries on one leaf,
// a table definition on one page, a page beyond an inline usage map's window. Error 1005.
class DoesNotFit : public Error {
 public:
  explicit DoesNotFit(const std::string& what);
};

// The runtime's own description of a runtime error number ("Overflow", "Division by zero").
std::string RuntimeErrorDescription(int number);

// The description of one of Frixa's own error numbers (1001 to 1005 above), with `detail` (a
// reason, what did not fit) where the text takes one.
std::string FrixaErrorDescription(int number, const std::string& detail = {});

// Raises the runtime error `number` with its standard description.
[[noreturn]] void RaiseRuntimeError(int number);

// The Jet engine's description of one of its error numbers, with `item` (a file, table or
// field name, an expression, a count) put where the engine's text names it.
std::string JetErrorDescription(int number, const std::string& item = {});

// Raises the Jet error `number` with its description.
[[noreturn]] void RaiseJetError(int number, const std::string& item = {});

// The exception being handled, as the error an error trap reports: call it only inside a
// catch block. An Error is returned as it is; memory exhaustion (std::bad_alloc, or the standard
// library's std::length_error for a size no allocation can meet) is error 7 "Out of memory";
// anything else is error 51 "Internal error".
Error CurrentError();

// The text of the commands' error messages: "An ERROR (" + the number as SignedNumberText (a
// blank before zero and positive numbers) + ") has occured", then `tail` (such as
// " Graphing the Run data").
std::string ErrorOccurredText(int number, const std::string& tail = "");

}  // namespace frixa

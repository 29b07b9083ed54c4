// What an error trap reports for the exception being handled: CurrentError's number and
// description, and the message text built from it.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "common/error.h"

namespace frixa {
namespace {

// The error an error trap around `fail` would report.
Error TrappedError(const std::function<void()>& fail) {
  try {
    fail();
  } catch (...) {
    return CurrentError();
  }
  ADD_FAILURE() << "nothing was thrown";
  return Error(0, "");
}

// The message of a step's error box for the same failure.
std::string TrappedText(const std::function<void()>& fail, const std::string& tail = "") {
  return ErrorOccurredText(TrappedError(fail).number(), tail);
}

TEST(CurrentError, AnErrorIsReportedAsItWasRaised) {
  const Error jet = TrappedError([] { RaiseJetError(errnum::kJetFileNotFound, "C:\\x.Frixa"); });
  EXPECT_EQ(jet.number(), 3024);
  EXPECT_EQ(jet.description(), "Couldn't find file 'C:\\x.Frixa'.");
  const Error overflow = TrappedError([] { RaiseRuntimeError(errnum::kOverflow); });
  EXPECT_EQ(overflow.number(), 6);
  EXPECT_EQ(overflow.description(), "Overflow");
  EXPECT_STREQ(overflow.what(), "Overflow");
  const Error own = TrappedError([] { throw Error(-2147467259, "Unspecified error"); });
  EXPECT_EQ(own.number(), -2147467259);
  EXPECT_EQ(own.description(), "Unspecified error");
}

TEST(CurrentError, ExhaustedMemoryIsErrorSevenOutOfMemory) {
  const Error e = TrappedError([] { throw std::bad_alloc(); });
  EXPECT_EQ(e.number(), 7);
  EXPECT_EQ(e.description(), "Out of memory");
  EXPECT_EQ(TrappedText([] { throw std::bad_array_new_length(); }), "An ERROR ( 7) has occured");
}

// A size no allocation can meet (vector::reserve past max_size) is reported as memory too.
TEST(CurrentError, LengthErrorIsErrorSevenOutOfMemory) {
  const Error e = TrappedError([] { throw std::length_error("vector::reserve"); });
  EXPECT_EQ(e.number(), 7);
  EXPECT_EQ(e.description(), "Out of memory");
}

TEST(CurrentError, AnythingElseIsErrorFiftyOneInternalError) {
  for (const std::function<void()>& fail : std::initializer_list<std::function<void()>>{
           [] { throw std::runtime_error("x"); }, [] { throw std::out_of_range("x"); },
           [] { throw std::logic_error("x"); }, [] { throw 42; }}) {
    const Error e = TrappedError(fail);
    EXPECT_EQ(e.number(), 51);
    EXPECT_EQ(e.description(), "Internal error");
  }
}

TEST(CurrentError, MessageTextShowsTheNumberWithItsSignPositionThenTheStepsEnding) {
  EXPECT_EQ(TrappedText([] { RaiseJetError(errnum::kJetCorrupt, "a.Frixa"); }),
            "An ERROR ( 3049) has occured");
  EXPECT_EQ(TrappedText([] { throw std::bad_alloc(); }, " Graphing the Run data"),
            "An ERROR ( 7) has occured Graphing the Run data");
  EXPECT_EQ(TrappedText([] { throw std::runtime_error("x"); }, " processing the Run data"),
            "An ERROR ( 51) has occured processing the Run data");
  EXPECT_EQ(TrappedText([] { throw Error(0, ""); }), "An ERROR ( 0) has occured");
  EXPECT_EQ(TrappedText([] { throw Error(-5, ""); }), "An ERROR (-5) has occured");
}

TEST(CurrentError, DescriptionsOfNumbersWithoutTheirOwn) {
  EXPECT_EQ(RuntimeErrorDescription(1234), "Application-defined or object-defined error");
  EXPECT_EQ(JetErrorDescription(1234), "Reserved error (1234); there is no message for this error.");
}

}  // namespace
}  // namespace frixa

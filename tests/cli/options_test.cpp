// frixa-cli's command-line words and JSON output texts: cli::Options, ParseCNumber, JsonText and
// JsonNumber, without running a command.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace frixa::cli {
namespace {

using Words = std::vector<std::string>;

// The usage error that `call` raises; empty when there is none.
template <typename F>
std::string UsageErrorOf(F&& call) {
  try {
    call();
  } catch (const UsageError& e) {
    return e.what();
  }
  return {};
}

std::string UsageErrorOf(const Words& args, const Words& known, const Words& flags = {}) {
  return UsageErrorOf([&] { Options(args, known, flags); });
}

TEST(CliOptions, ValuesFlagsAndPositionalWordsInAnyOrder) {
  const Options o({"in.Frixa", "--out", "x.svg", "--json", "--width=800", "second", "--out=y.svg"},
                  {"out", "width", "height"}, {"json"});
  EXPECT_EQ(o.Positional(), (Words{"in.Frixa", "second"}));
  EXPECT_EQ(o.Get("out"), "y.svg");  // the last one given wins
  EXPECT_EQ(o.Get("width"), "800");
  EXPECT_EQ(o.Get("height"), std::nullopt);
  EXPECT_TRUE(o.Has("json"));
  EXPECT_TRUE(o.Has("width"));
  EXPECT_FALSE(o.Has("height"));
  EXPECT_EQ(o.Get("json"), std::nullopt);  // a flag has no value
  EXPECT_EQ(o.Require("out"), "y.svg");
  EXPECT_EQ(o.Integer("width", 5), 800);
  EXPECT_EQ(o.Integer("height", 5), 5);
  EXPECT_EQ(o.Number("height", 2.5), 2.5);
}

TEST(CliOptions, TheWordAfterAnOptionIsItsValueEvenWhenItLooksLikeAnOption) {
  const Options o({"--out", "--json", "--ratio=", "-3e2", "--"}, {"out", "ratio"}, {"json"});
  EXPECT_EQ(o.Get("out"), "--json");
  EXPECT_FALSE(o.Has("json"));
  EXPECT_EQ(o.Get("ratio"), "");  // "--ratio=" gives the empty value, "-3e2" and "--" are words
  EXPECT_EQ(o.Positional(), (Words{"-3e2", "--"}));
}

TEST(CliOptions, MalformedCommandLinesAreUsageErrorsNamingTheOption) {
  EXPECT_EQ(UsageErrorOf({"--colour", "red"}, {"out"}), "unknown option --colour");
  EXPECT_EQ(UsageErrorOf({"--out"}, {"out"}), "option --out needs a value");
  EXPECT_EQ(UsageErrorOf({"--json=1"}, {"out"}, {"json"}), "option --json takes no value");
  EXPECT_EQ(UsageErrorOf({"--out", "a"}, {"out"}, {"json"}), "");

  const Options o({"--inertia", "1,25", "--ratio", "2.5", "--count", "3.5", "--huge", "1e40"},
                  {"inertia", "ratio", "count", "huge", "out"});
  EXPECT_EQ(UsageErrorOf([&] { o.Require("out"); }), "missing option --out");
  EXPECT_EQ(UsageErrorOf([&] { o.RequireNumber("out"); }), "missing option --out");
  EXPECT_EQ(UsageErrorOf([&] { o.Number("inertia", 0); }),
            "option --inertia needs a number, not '1,25'");
  EXPECT_EQ(UsageErrorOf([&] { o.Integer("count", 0); }), "option --count needs a whole number");
  EXPECT_EQ(UsageErrorOf([&] { o.Integer("ratio", 0); }), "option --ratio needs a whole number");
  EXPECT_EQ(UsageErrorOf([&] { o.RequireSingle("huge"); }),
            "option --huge is outside the single-precision range");
  EXPECT_EQ(o.RequireNumber("huge"), 1e40);
  EXPECT_EQ(o.RequireSingle("ratio"), 2.5f);
}

TEST(CliOptions, SingleNumbersAreRoundedAndWholeNumbersReachNineQuadrillion) {
  const Options o({"--i", "0.1", "--big", "3.4028234e38", "--a", "-12", "--b", "9e15", "--c",
                   "9.000000000000002e15", "--d", "1e2"},
                  {"i", "big", "a", "b", "c", "d"});
  EXPECT_EQ(o.RequireNumber("i"), 0.1);
  EXPECT_EQ(o.RequireSingle("i"), 0.1f);
  EXPECT_EQ(o.RequireSingle("big"), 3.4028234e38f);
  EXPECT_EQ(o.Integer("a", 0), -12);
  EXPECT_EQ(o.Integer("b", 0), 9000000000000000LL);
  EXPECT_EQ(UsageErrorOf([&] { o.Integer("c", 0); }), "option --c needs a whole number");
  EXPECT_EQ(o.Integer("d", 0), 100);
}

// Numbers are read in the C locale, whole, finite, with an optional sign.
TEST(CliOptions, ParseCNumberTakesWholeFiniteCLocaleNumbersOnly) {
  EXPECT_EQ(ParseCNumber("1.25"), 1.25);
  EXPECT_EQ(ParseCNumber("+1.25"), 1.25);
  EXPECT_EQ(ParseCNumber("-3e2"), -300.0);
  EXPECT_EQ(ParseCNumber(".5"), 0.5);
  EXPECT_EQ(ParseCNumber("0.1"), 0.1);
  for (const char* bad : {"", "+", "1,25", "1.25 ", " 1.25", "1.2.3", "abc", "inf", "nan", "1e400",
                          "++1", "0x10"}) {
    EXPECT_EQ(ParseCNumber(bad), std::nullopt) << '"' << bad << '"';
  }
}

TEST(JsonText, QuotesBackslashesAndControlCharactersAreEscaped) {
  EXPECT_EQ(JsonText(""), "\"\"");
  EXPECT_EQ(JsonText("Custom Cal\\Run 1.Frixa"), "\"Custom Cal\\\\Run 1.Frixa\"");
  EXPECT_EQ(JsonText("say \"hi\""), "\"say \\\"hi\\\"\"");
  EXPECT_EQ(JsonText("a\r\nb\tc"), "\"a\\u000d\\u000ab\\u0009c\"");
  EXPECT_EQ(JsonText(std::string("\x00\x1f\x20\x7f", 4)), "\"\\u0000\\u001f \x7f\"");
  EXPECT_EQ(JsonText("Maximium Mass RPM :  598"), "\"Maximium Mass RPM :  598\"");
}

TEST(JsonText, NumbersReadBackToTheSameDouble) {
  EXPECT_EQ(JsonNumber(0), "0");
  EXPECT_EQ(JsonNumber(-300), "-300");
  EXPECT_EQ(JsonNumber(0.1), "0.10000000000000001");
  EXPECT_EQ(JsonNumber(static_cast<double>(598.503662f)), "598.503662109375");
  EXPECT_EQ(JsonNumber(1e300), "1.0000000000000001e+300");
  for (const double v : {0.1, 1.0 / 3, static_cast<double>(0.0978438631f), -2.5e-300, 1.7976931348623157e308}) {
    EXPECT_EQ(std::strtod(JsonNumber(v).c_str(), nullptr), v) << JsonNumber(v);
  }
}

}  // namespace
}  // namespace frixa::cli

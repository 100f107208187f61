#include "platform/join_arguments.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cmdline/command_line.h"

namespace quennet::brackwin {
namespace {

std::string Join(const std::vector<std::string>& args) {
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  return JoinArguments(static_cast<int>(argv.size()), argv.data());
}

std::vector<std::string> RoundTrip(const std::vector<std::string>& args) {
  const CommandLine line(Join(args));
  return {line.GetArgs().begin(), line.GetArgs().end()};
}

TEST(JoinArgumentsTest, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(Join({"brackwin", "-f", "my demo.asm", "", "\"x", "a\"b", "-c"}),
            "brackwin -f \"my demo.asm\" \"\" \"\"x\" a\"b -c");
  EXPECT_EQ(Join({}), "");
}

TEST(JoinArgumentsTest, TokeniserGivesTheArgumentsBack) {
  const std::vector<std::vector<std::string>> vectors = {
      {"/usr/bin/brackwin", "-f", "demo.asm", "-c"},
      {"b", "-f", "my demo.asm", "-r", "-e"},
      {"b", "-f", "", "-c"},
      {"b", "-f", " ", "-c"},
      {"b", "\t\n\v\f\r", "x"},
      {"b", "\"", "\"\"", "\"a b\"", "a\"", "a\"\"b"},
      {"b", "it's", "$(touch x)", "`id`", "a;b&c|d", "-leading", "\\"},
      {"b", "ends with quote\"", "tab\tinside", "\xC3\xA4\xE2\x82\xAC"},
      {"b", "trailing blank "},
      {"b", ""},
  };
  for (const auto& args : vectors) {
    SCOPED_TRACE(Join(args));
    EXPECT_EQ(RoundTrip(args), args);
  }
}

TEST(JoinArgumentsTest, QuoteFollowedByWhiteSpaceIsTheKnownLimit) {
  // Such an argument is cut at that quote.
  EXPECT_NE(RoundTrip({"b", "a\" b"}),
            (std::vector<std::string>{"b", "a\" b"}));
}

}  // namespace
}  // namespace quennet::brackwin

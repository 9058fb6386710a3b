#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

CommandLine Parse(std::initializer_list<std::string_view> arguments) {
  return ParseCommandLine(std::vector<std::string_view>(arguments));
}

// Help wins over the version, both over a check: nothing is read or opened for them.
TEST(CommandLine, AsksInOrderOfWhatCostsLeast) {
  EXPECT_EQ(Parse({}).ask, Ask::kRun);
  EXPECT_EQ(Parse({"--check"}).ask, Ask::kCheck);
  EXPECT_EQ(Parse({"--check", "--version"}).ask, Ask::kVersion);
  EXPECT_EQ(Parse({"--version", "-h", "--check"}).ask, Ask::kHelp);
  EXPECT_THAT(Parse({"--help"}).ignored, IsEmpty());
}

// A shortcut made for another program, or an old one, still starts this one.
TEST(CommandLine, AnythingElseIsNamedAndTheProgramStarts) {
  const CommandLine line = Parse({"/min", "--chek", "\x1b[2J"});
  EXPECT_EQ(line.ask, Ask::kRun);
  EXPECT_THAT(line.ignored, ElementsAre("/min", "--chek", "\x1b[2J"));
  EXPECT_EQ(IgnoredText("\x1b[2J"),
            "ignoring the argument \"\\x1B[2J\": quorvex takes its settings from tessora.ini "
            "(see quorvex --help)");
}

}  // namespace
}  // namespace quorvex

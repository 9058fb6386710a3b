// The README's messages against the program's own texts: every message the test can
// bring about here matches a documented row of its number, and every row is matched
// by one, or named below as shown only where the test cannot go.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "common/failure.h"
#include "common/port.h"
#include "platform/posix/posix_fd.h"
#include "platform/posix/posix_serial_port.h"
#include "platform/x11/x11_display.h"
#include "relay/relay.h"
#include "rig.h"

namespace quorvex {
namespace {

// The line's folder the README's examples use.
constexpr std::string_view kFolder = "/home/op/line1";

// Rows whose message needs what this test has not: another platform, a display that
// goes or lacks XTEST, a user the file or device is closed to.
const std::set<std::string> kShownElsewhere = {
    "The settings file /home/op/line1/tessora.ini cannot be read: Permission denied.",
    "An overlay width of -15 twips is negative.",
    "The serial port /dev/ttyUSB0 cannot be opened: Permission denied. The user needs access "
    "to the device: on Debian, sudo adduser $USER dialout, then log in again.",
    "The connection to the X display \":0\" is lost; the serial port is released.",
    "The X display has no XTEST extension: Quorvex cannot click for the operator.",
    "The desktop refused ...: the system's reason.",
    "Anything unforeseen",
};

struct Row {
  int number = 0;
  std::string description;  // without a closing note such as "(Linux)"
  std::regex pattern;       // "..." stands for any text
};

struct Said {
  int number = 0;
  std::string text;
};

std::string ReadmeText() {
  std::ifstream file(QUORVEX_README, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::string MessagesSection() {
  const std::string readme = ReadmeText();
  const std::size_t start = readme.find("\n## Messages\n");
  const std::size_t end = readme.find("\n## ", start + 1);
  return start == std::string::npos ? std::string() : readme.substr(start, end - start);
}

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::regex PatternOf(const std::string& description) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  std::string pattern;
  for (std::size_t at = 0; at < description.size();) {
    if (description.compare(at, 3, "...") == 0) {
      pattern += ".*";
      at += 3;
    } else {
      pattern += std::regex_replace(std::string(1, description[at]), special, R"(\$&)");
      ++at;
    }
  }
  return std::regex(pattern);
}

// The rows of the section's tables whose first cell is a failure's number.
std::vector<Row> DocumentedRows(const std::string& section) {
  static const std::regex row(R"(^\|\s*(\d+)\s*\|([^|]*)\|)");
  static const std::regex note(R"(^(.*\S)\s+\([^()]*\)$)");
  std::vector<Row> rows;
  std::istringstream lines(section);
  for (std::string line; std::getline(lines, line);) {
    std::smatch cells;
    if (!std::regex_search(line, cells, row)) {
      continue;
    }
    std::string description = Trimmed(cells[2].str());
    std::smatch noted;
    if (std::regex_match(description, noted, note)) {
      description = noted[1].str();
    }
    rows.push_back({std::stoi(cells[1].str()), description, PatternOf(description)});
  }
  return rows;
}

std::string Replaced(std::string text, const std::string& what, std::string_view with) {
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
    text.replace(at, what.size(), with);
    at += with.size();
  }
  return text;
}

// What the operator reads after "Error <number>: ", the working folder as the README's.
Said SaidBy(const std::function<void()>& act) {
  try {
    act();
  } catch (const Failure& failure) {
    return {failure.number(),
            Replaced(failure.what(), std::filesystem::current_path().string(), kFolder)};
  }
  ADD_FAILURE() << "no failure";
  return {};
}

Said SettingsSaying(std::string_view text) {
  return SaidBy([text] {
    SettingsRecord settings;
    ReadSettings(text, kSettingsFileName, settings);
  });
}

Said PortSaying(PortProblem problem, std::int16_t number, PortSystem system, std::string reason,
                std::string hint = {}) {
  return SaidBy([&] { throw PortFailure(problem, NumberedPort(number, system), reason, hint); });
}

// Each message the program gives here, brought about as the operator would, or with
// the system's own reason given where only another system says it.
std::vector<Said> MessagesBroughtAbout() {
  std::vector<Said> said;
  const testing::ScopedWorkingDirectory folder;
  const auto readFile = [] {
    SettingsRecord settings;
    ReadFile(settings);
  };
  said.push_back(SaidBy(readFile));  // no file at all
  folder.Write("tessora.ini.txt", "PL:1\n");
  said.push_back(SaidBy(readFile));
  std::filesystem::remove(folder.path() / "tessora.ini.txt");
  std::filesystem::create_directory(folder.path() / "tessora.ini");
  said.push_back(SaidBy(readFile));
  std::filesystem::remove(folder.path() / "tessora.ini");
  folder.Write("tessora.ini", "");
  std::filesystem::resize_file(folder.path() / "tessora.ini", (std::uintmax_t{64} << 20) + 1);
  said.push_back(SaidBy(readFile));

  // Line 3 of Notepad's "Unicode" begins with half of a surrogate pair.
  said.push_back(SettingsSaying(std::string("\xFF\xFEP\0L\0\n\0\n\0\x00\xD8x\0", 14)));
  said.push_back(SettingsSaying("PL:1\nPT:2\nFW:3\nPL:abc\n"));
  said.push_back(SettingsSaying("PL:1\nPT:\n"));
  said.push_back(SettingsSaying("WINDOW:" + std::string(300, 'a')));
  said.push_back(SettingsSaying("PL:1\nPT:2\nPL:40000\n"));
  for (const char* cp : {"COM3", "70000"}) {
    said.push_back(SaidBy([cp] { PortFromSetting(cp, PortSystem::kPosix); }));
  }

  // A port not there: the platform names those that are.
  said.push_back(PortSaying(PortProblem::kMissing, 3, PortSystem::kWindows,
                            "The system cannot find the file specified (error 2)",
                            PresentPortsText("COM1, COM4")));
  said.push_back(PortSaying(PortProblem::kMissing, 3, PortSystem::kPosix, std::strerror(ENOENT),
                            PresentPortsText("/dev/ttyUSB0")));
  said.push_back(SaidBy([] {
    posix::PosixSerialLine line;
    line.Open(PortFromSetting("/dev/null", PortSystem::kPosix));
  }));
  said.push_back(SaidBy([] { PortFromSetting("0", PortSystem::kPosix); }));
  said.push_back(
      PortSaying(PortProblem::kInUse, 3, PortSystem::kWindows, "Access is denied (error 5)"));
  said.push_back(PortSaying(PortProblem::kCannotOpen, 3, PortSystem::kWindows,
                            "The system cannot open the device (error 31)"));
  said.push_back(SaidBy([] {
    posix::UniqueFd terminal(::posix_openpt(O_RDWR | O_NOCTTY));
    ::grantpt(terminal.get());
    ::unlockpt(terminal.get());
    posix::UniqueFd end(::open(::ptsname(terminal.get()), O_RDWR | O_NOCTTY));
    posix::ConfigureLine(end.get(), LineSettings{.baud = 12345},
                         NumberedPort(3, PortSystem::kPosix));
  }));

  ::setenv("DISPLAY", "/nowhere/quorvex:0", 1);
  said.push_back(SaidBy([] { x11::OpenDisplay(); }));
  said.back().text = Replaced(said.back().text, "\"/nowhere/quorvex:0\"", "\":0\"");
  return said;
}

TEST(Messages, TheReadmeSaysWhatTheProgramSays) {
  const std::string section = MessagesSection();
  const std::vector<Row> rows = DocumentedRows(section);
  ASSERT_GT(rows.size(), 20U) << "the tables of README.md's Messages";
  std::vector<bool> matched(rows.size());
  for (const Said& said : MessagesBroughtAbout()) {
    bool documented = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].number == said.number && std::regex_match(said.text, rows[i].pattern)) {
        documented = matched[i] = true;
      }
    }
    EXPECT_TRUE(documented) << "not in the README: Error " << said.number << ": " << said.text;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(matched[i] || kShownElsewhere.contains(rows[i].description))
        << "the program never says: Error " << rows[i].number << ": " << rows[i].description;
  }
  // What the other platform's package says instead of the example's path, and the two
  // texts of a click while the port is closed.
  EXPECT_THAT(section, ::testing::HasSubstr(QUORVEX_EXAMPLE_SETTINGS_WINDOWS));
  for (const std::string_view closed : {kPortClosed1, kPortClosed2}) {
    EXPECT_THAT(section, ::testing::HasSubstr("\"" + std::string(closed) + "\""));
  }
}

}  // namespace
}  // namespace quorvex

#include "app/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/failure.h"
#include "common/number.h"
#include "rig.h"

namespace quorvex {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

SettingsRecord Read(std::string_view text) {
  SettingsRecord settings;
  ReadSettings(text, "tessora.ini", settings);
  return settings;
}

// The failure a text gives: its number and description.
std::pair<int, std::string> FailureOf(std::string_view text) {
  try {
    Read(text);
  } catch (const Failure& failure) {
    return {failure.number(), failure.what()};
  }
  return {0, "no failure"};
}

TEST(ToInt16, RoundsHalfToEvenAndIgnoresBlanks) {
  const std::pair<std::string_view, int> cases[] = {
      {"15", 15},
      {" 15 ", 15},
      {"\t-7\t", -7},
      {"+7", 7},
      {"15.5", 16},
      {"14.5", 14},
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {"-3.5", -4},
      {"2.5000001", 3},
      {"2.4999", 2},
      {".5", 0},
      {"1.", 1},
      {"-0", 0},
      {"32767", 32767},
      {"-32768", -32768},
      {"32767.4", 32767},
      {"-32768.5", -32768},
      {"000000000000000000000012", 12},
  };
  for (const auto& [text, value] : cases) {
    const Int16Result result = ToInt16(text);
    EXPECT_EQ(result.error, NumberError::kNone) << text;
    EXPECT_EQ(result.value, value) << text;
  }
}

TEST(ToInt16, RefusesWhatIsNoNumberOrOutOfRange) {
  const std::pair<std::string_view, NumberError> cases[] = {
      {"", NumberError::kEmpty},
      {"  ", NumberError::kEmpty},
      {"abc", NumberError::kNotANumber},
      {"x15", NumberError::kNotANumber},
      {"1e3", NumberError::kNotANumber},
      {"--1", NumberError::kNotANumber},
      {"-", NumberError::kNotANumber},
      {".", NumberError::kNotANumber},
      {"1.2.3", NumberError::kNotANumber},
      {"1 2", NumberError::kNotANumber},
      {"0x10", NumberError::kNotANumber},
      {"32768", NumberError::kOutOfRange},
      {"-32769", NumberError::kOutOfRange},
      {"32767.5", NumberError::kOutOfRange},
      {"99999999999999999999999", NumberError::kOutOfRange},
  };
  for (const auto& [text, error] : cases) {
    EXPECT_EQ(ToInt16(text).error, error) << text;
  }
}

TEST(ReadSettings, EmptyFileLeavesEveryFieldAtZero) {
  EXPECT_EQ(Read(""), SettingsRecord{});
}

TEST(ReadSettings, FillsEveryFieldOfATypicalFile) {
  const SettingsRecord s = Read(
      "AUTOCONN:1\r\nVERSION:101\r\nCP:3\r\nPT:1500\r\nPL:900\r\nFW:1200\r\nFH:450\r\n"
      "CX:1\r\nCY:2\r\nCW:3\r\nCH:4\r\nSTRX:100\r\nSTRY:110\r\nSTPX:-200\r\nSTPY:210\r\n"
      "PT2:3000\r\nPL2:950\r\nFW2:1300\r\nFH2:460\r\nSTRX2:300\r\nSTRY2:310\r\n");
  const SettingsRecord expected{.AUTOCONN = 1,
                                .VERSION = 101,
                                .CP = "3",
                                .PT = 1500,
                                .PL = 900,
                                .FW = 1200,
                                .FH = 450,
                                .CX = 1,
                                .CY = 2,
                                .CW = 3,
                                .CH = 4,
                                .STRX = 100,
                                .STRY = 110,
                                .STPX = -200,
                                .STPY = 210,
                                .PT2 = 3000,
                                .PL2 = 950,
                                .FW2 = 1300,
                                .FH2 = 460,
                                .STRX2 = 300,
                                .STRY2 = 310,
                                .WINDOW = {},
                                .LOG = {}};
  EXPECT_EQ(s, expected);
}

TEST(ReadSettings, MatchesKeysAsTheProgramAlwaysHas) {
  EXPECT_EQ(Read("PT2:300").PT2, 300);
  EXPECT_EQ(Read("PT2:300").PT, 0) << "PT2: does not hold PT:";
  EXPECT_EQ(Read("PT:PT:5").PT, 5) << "every occurrence of the key goes";
  EXPECT_EQ(Read("PL:1,500").PL, 1) << "a comma ends the item";
  EXPECT_EQ(Read("pt:10"), SettingsRecord{}) << "keys are case-sensitive";
  EXPECT_EQ(Read("AUTOCONN:0\nAUTOCONN:1").AUTOCONN, 1) << "the last item wins";
  EXPECT_EQ(FailureOf("note: PL:7").first, 13) << "text around a key stays in the value";
  EXPECT_EQ(Read("  PL:7").PL, 7);
  EXPECT_EQ(Read("\"PL:7\"").PL, 7);
  EXPECT_EQ(Read("comment without keys\nPL:7\n\n").PL, 7);
  EXPECT_EQ(Read("\xEF\xBB\xBFPL:7").PL, 7) << "a byte-order mark is not part of the first item";
}

TEST(ReadSettings, ReadsReconnectAfterEveryOtherKey) {
  EXPECT_EQ(Read("RECONNECT:1").RECONNECT, 1);
  SettingsRecord expected;
  expected.RECONNECT = 1;
  EXPECT_EQ(Read("RECONNECT:1"), expected);
  EXPECT_EQ(FailureOf("RECONNECT:yes").first, 13);
}

TEST(ReadSettings, KeepsCpAsText) {
  EXPECT_EQ(Read("CP:COM3").CP, "COM3");
  EXPECT_EQ(Read("CP: 3 ").CP, " 3 ");
  EXPECT_EQ(Read("\"CP:/dev/serial/by-id/usb-x,if00\"").CP, "/dev/serial/by-id/usb-x,if00");
}

TEST(ReadSettings, NamesLineAndItemOfABadValue) {
  EXPECT_EQ(FailureOf("VERSION:1\r\nPL:abc\r\n"),
            std::make_pair(13, std::string("tessora.ini, line 2: the item \"PL:abc\" "
                                           "is not a number.")));
  EXPECT_EQ(FailureOf("PL:1\rPT:\n"),
            std::make_pair(13, std::string("tessora.ini, line 2: the item \"PT:\" has no value.")));
  EXPECT_EQ(FailureOf("\n\nPL:40000"),
            std::make_pair(6, std::string("tessora.ini, line 3: the item \"PL:40000\" "
                                          "is out of range -32768 to 32767.")));
  EXPECT_EQ(FailureOf("xPL:15").first, 13);
  EXPECT_EQ(FailureOf("PT:1 PL:2").first, 13) << "PT: is tested first, leaving \"1 PL:2\"";
  EXPECT_EQ(FailureOf("PL:2 PT:1").first, 13) << "table order, not position, decides";
}

// HEARTBEAT is 0 (none) or 100 to 30000 ms; anything else names its item.
TEST(ReadSettings, HeartbeatOutsideItsRangeNamesTheItem) {
  for (const std::string_view good : {"0", "100", "30000"}) {
    EXPECT_EQ(FailureOf("HEARTBEAT:" + std::string(good)).first, 0) << good;
  }
  EXPECT_EQ(FailureOf("PL:1\nHEARTBEAT:99"),
            std::make_pair(6, std::string("tessora.ini, line 2: the item \"HEARTBEAT:99\" "
                                          "is out of range 100 to 30000 (0: none).")));
  EXPECT_EQ(FailureOf("HEARTBEAT:30001").first, 6);
  EXPECT_EQ(FailureOf("HEARTBEAT:-5").first, 6);
  EXPECT_EQ(FailureOf("HEARTBEAT:x").first, 13);
}

TEST(ReadSettings, ShowsUnprintableAndLongItemsSafely) {
  const auto [number, text] = FailureOf("PL:\x01\x7f" + std::string(5000, 'x'));
  EXPECT_EQ(number, 13);
  EXPECT_THAT(text, AllOf(HasSubstr("\"PL:??xxx"), HasSubstr("...\"")));
  EXPECT_LT(text.size(), 200u);
}

// Text as Notepad's "Unicode" (little-endian) and "Unicode big endian" save it.
std::string Utf16(std::u16string_view text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += little ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

TEST(ReadSettings, ReadsUtf16AsTheSameTextIn8Bits) {
  for (const bool little : {true, false}) {
    SCOPED_TRACE(little ? "little-endian" : "big-endian");
    EXPECT_EQ(Read(Utf16(u"", little)), SettingsRecord{}) << "a byte-order mark alone";
    const SettingsRecord s =
        Read(Utf16(u"AUTOCONN:1\r\nVERSION:101\r\n\"CP:/dev/serial/by-id/usb-\u00e9,if00\"\r\n"
                   u"PL: 900 \r\nPT:1500\r\nSTRX2:-7.5\r\nnote \U0001F600,FH:450",
                   little));
    EXPECT_EQ(s.AUTOCONN, 1);
    EXPECT_EQ(s.VERSION, 101);
    EXPECT_EQ(s.CP, "/dev/serial/by-id/usb-\xC3\xA9,if00") << "in UTF-8";
    EXPECT_EQ(std::tie(s.PL, s.PT, s.STRX2, s.FH), std::tuple(900, 1500, -8, 450));
    EXPECT_EQ(FailureOf(Utf16(u"PL:1\r\n\r\n\"x\ny\"\rPT:abc", little)),
              std::make_pair(13, std::string("tessora.ini, line 5: the item \"PT:abc\" "
                                             "is not a number.")))
        << "lines counted as in the same file in 8 bits";
  }
}

TEST(ReadSettings, MalformedUtf16EndsWithItsLine) {
  const std::string halfUnit = Utf16(u"PL:1\r\nPT:2", true) + "\n";
  const std::string loneHigh = Utf16(u"PL:1\nPT:2\xD83D", true);
  const std::string loneLow = Utf16(
      u"PL:1\n\nPT:\xDE00"
      u"2",
      false);
  const std::string highThenOther = Utf16(
      u"PL:\xD83D"
      u"1",
      false);
  const std::pair<std::string_view, std::string> cases[] = {
      {halfUnit,
       "tessora.ini, line 2: the file begins as UTF-16 but is not valid UTF-16 "
       "(it ends in half a character)."},
      {loneHigh,
       "tessora.ini, line 2: the file begins as UTF-16 but is not valid UTF-16 "
       "(it holds half of a surrogate pair)."},
      {loneLow,
       "tessora.ini, line 3: the file begins as UTF-16 but is not valid UTF-16 "
       "(it holds half of a surrogate pair)."},
      {highThenOther,
       "tessora.ini, line 1: the file begins as UTF-16 but is not valid UTF-16 "
       "(it holds half of a surrogate pair)."},
  };
  for (const auto& [text, message] : cases) {
    EXPECT_EQ(FailureOf(text), std::make_pair(failure::kFileAccess, message));
  }
}

TEST(ReadFile, ReadsTessoraIniFromTheWorkingDirectory) {
  testing::ScopedWorkingDirectory dir;
  dir.Write("tessora.ini", "PL:12\n");
  SettingsRecord settings;
  ReadFile(settings);
  EXPECT_EQ(settings.PL, 12);
}

TEST(ReadFile, NamesTheFullPathOfAFileThatCannotBeRead) {
  testing::ScopedWorkingDirectory dir;
  SettingsRecord settings;
  try {
    ReadFile(settings);
    FAIL() << "a missing file was read";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kFileNotFound);
    EXPECT_THAT(failure.what(), HasSubstr((dir.path() / "tessora.ini").string()));
  }
  std::filesystem::create_directory(dir.path() / "tessora.ini");
  try {
    ReadFile(settings);
    FAIL() << "a directory was read";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kFileAccess);
    EXPECT_THAT(failure.what(), HasSubstr("is not a regular file"));
  }
}

// The failure ReadFile gives in the current directory.
std::pair<int, std::string> ReadFileFailure() {
  SettingsRecord settings;
  try {
    ReadFile(settings);
  } catch (const Failure& failure) {
    return {failure.number(), failure.what()};
  }
  return {0, "no failure"};
}

TEST(ReadFile, PointsAtATessoraIniTxtWhoseExtensionMayBeHidden) {
  testing::ScopedWorkingDirectory dir;
  constexpr std::string_view kHint =
      " The file tessora.ini.txt is there: Windows may be hiding its extension, so rename it to "
      "tessora.ini.";
  EXPECT_THAT(ReadFileFailure().second, ::testing::Not(HasSubstr("tessora.ini.txt")));
  std::filesystem::create_directory(dir.path() / "tessora.ini.txt");
  EXPECT_THAT(ReadFileFailure().second, ::testing::Not(HasSubstr("tessora.ini.txt")))
      << "a folder is no settings file";
  std::filesystem::remove(dir.path() / "tessora.ini.txt");
  dir.Write("tessora.ini.txt", "PL:12\n");
  const auto [number, text] = ReadFileFailure();
  EXPECT_EQ(number, failure::kFileNotFound);
  EXPECT_TRUE(text.ends_with(std::string(".") + std::string(kHint))) << text;
}

TEST(ReadFile, RefusesAFileOver64MiBWithoutReadingIt) {
  testing::ScopedWorkingDirectory dir;
  dir.Write("tessora.ini", "PL:12\n");
  std::filesystem::resize_file(dir.path() / "tessora.ini", (std::uintmax_t{64} << 20) + 1);
  const auto [number, text] = ReadFileFailure();
  EXPECT_EQ(number, failure::kFileAccess);
  EXPECT_THAT(text, AllOf(HasSubstr((dir.path() / "tessora.ini").string()),
                          HasSubstr("is too large: more than 64 MiB")));
}

#ifndef _WIN32
// A pipe would block the start for ever; a device would never end.
TEST(ReadFile, ReadsNothingButARegularFile) {
  testing::ScopedWorkingDirectory dir;
  ASSERT_EQ(::mkfifo((dir.path() / "tessora.ini").c_str(), 0600), 0);
  auto [number, text] = ReadFileFailure();
  EXPECT_EQ(number, failure::kFileAccess);
  EXPECT_THAT(text, AllOf(HasSubstr((dir.path() / "tessora.ini").string()),
                          HasSubstr("is not a regular file")));
  std::filesystem::remove(dir.path() / "tessora.ini");
  std::filesystem::create_symlink("/dev/zero", dir.path() / "tessora.ini");
  std::tie(number, text) = ReadFileFailure();
  EXPECT_EQ(number, failure::kFileAccess);
  EXPECT_THAT(text, HasSubstr("is not a regular file"));
}
#endif

}  // namespace
}  // namespace quorvex

namespace quorvex {
namespace {

TEST(ReadSettings, WindowIsTextTestedBeforeEveryOtherKey) {
  const SettingsRecord s = Read("WINDOW:Batch PT:7\nPT:15\n");
  EXPECT_EQ(s.WINDOW, "Batch PT:7") << "a title holding a key's text is still the title";
  EXPECT_EQ(s.PT, 15);
  EXPECT_EQ(Read("WINDOW: Line 1 \n").WINDOW, " Line 1 ") << "stored as written";
  EXPECT_EQ(Read("\"WINDOW:Demo, 2\"").WINDOW, "Demo, 2");
  EXPECT_EQ(Read("PL:7\n").WINDOW, "");
  EXPECT_EQ(FailureOf("AUTOCONN:WINDOW:x").first, 13) << "WINDOW only leads an item";
}

// The keys this program added count only as an item's first text, blanks before it
// allowed: an item of an old file that the old keys pass over stays passed over.
TEST(ReadSettings, AddedKeysCountOnlyAtTheStartOfAnItem) {
  struct Case {
    std::string_view key;
    std::string SettingsRecord::*text;
    std::int16_t SettingsRecord::*number;
    std::string value;
  };
  for (const Case& c : {Case{"WINDOW:", &SettingsRecord::WINDOW, nullptr, "Line 1"},
                        Case{"LOG:", &SettingsRecord::LOG, nullptr, "line.log"},
                        Case{"RECONNECT:", nullptr, &SettingsRecord::RECONNECT, "1"}}) {
    const std::string key(c.key);
    for (const std::string prefix : {"BACK", "CATA", "X", "note ", "\"quoted\" ", "1"}) {
      EXPECT_EQ(Read(prefix + key + c.value + "\n"), SettingsRecord{}) << prefix + key;
    }
    for (const std::string& item : {key + c.value, "  " + key + c.value, "\t" + key + c.value,
                                    "\" " + key + c.value + "\""}) {
      const SettingsRecord read = Read(item + "\nPL:7\n");
      EXPECT_EQ(c.text ? read.*c.text : std::to_string(read.*c.number), c.value) << item;
      EXPECT_EQ(read.PL, 7) << item;
    }
  }
  // An old key's item keeps an added key's text in its value.
  EXPECT_EQ(Read("CP:/var/LOG:1").CP, "/var/LOG:1");
  EXPECT_EQ(Read("CP:/var/LOG:1").LOG, "");
  EXPECT_EQ(FailureOf("PL:7 RECONNECT:1").first, 13);
  EXPECT_EQ(Read("LOG:/tmp/LOG:x").LOG, "/tmp/LOG:x") << "the value is what follows the key";
}

TEST(ReadSettings, WindowTextOfMoreThan255CharactersEndsTheStart) {
  EXPECT_EQ(Read("WINDOW:" + std::string(255, 'a')).WINDOW.size(), 255U);
  // 255 characters of two bytes each in UTF-8.
  std::string umlauts;
  for (int i = 0; i < 255; ++i) {
    umlauts += "\xC3\xA4";
  }
  EXPECT_EQ(Read("WINDOW:" + umlauts).WINDOW, umlauts);
  const auto [number, text] = FailureOf("PL:1\nWINDOW:" + std::string(256, 'a'));
  EXPECT_EQ(number, 13);
  EXPECT_EQ(text, "tessora.ini, line 2: the item \"WINDOW:" + std::string(53, 'a') +
                      "...\" is longer than 255 characters.");
}

}  // namespace
}  // namespace quorvex

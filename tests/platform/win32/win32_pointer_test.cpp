#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_input_reach.h"
#include "platform/win32/win32_pointer.h"

namespace quorvex::win32 {
namespace {

constexpr DWORD kAt = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;

// Press and release travel together and carry the tag; the press is the physical
// button the system makes the primary one. The way back is tagged too.
TEST(ClickBatch, PressAndReleaseInOneTaggedBatch) {
  for (const bool swapped : {false, true}) {
    const auto batch = ClickBatch({100, 200}, swapped);
    for (const INPUT& input : batch) {
      EXPECT_EQ(input.type, static_cast<DWORD>(INPUT_MOUSE));
      EXPECT_EQ(input.mi.dwExtraInfo, kClickTag);
      EXPECT_EQ(input.mi.dx, 100);
      EXPECT_EQ(input.mi.dy, 200);
    }
    EXPECT_EQ(batch[0].mi.dwFlags, kAt | (swapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN));
    EXPECT_EQ(batch[1].mi.dwFlags, kAt | (swapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP));
  }
  const INPUT back = TaggedInput({700, 800});
  EXPECT_EQ(back.mi.dwFlags, kAt);
  EXPECT_EQ(back.mi.dwExtraInfo, kClickTag);
}

// The operator's own messages carry no tag: only the program's come back marked.
TEST(ClickBatch, TheTagIsNoneOfTheOperatorsInput) {
  EXPECT_NE(kClickTag, 0u);
  EXPECT_FALSE(FromOwnClick());
}

// The checks a click makes before it sends: on this desktop, at this process's own
// level, input reaches; a process that does not exist is no higher.
TEST(InputReach, OwnDesktopAndLevelLetInputThrough) {
  EXPECT_TRUE(InputDesktopIsOurs());
  ASSERT_TRUE(IntegrityLevel(::GetCurrentProcessId()).has_value());
  EXPECT_FALSE(RunsHigher(::GetCurrentProcessId()));
  EXPECT_FALSE(IntegrityLevel(0xFFFFFFF0).has_value());
  EXPECT_FALSE(RunsHigher(0xFFFFFFF0));
}

std::string Utf8(const wchar_t* text, int length) {
  std::string bytes(static_cast<std::size_t>(length) * 4, '\0');
  bytes.resize(static_cast<std::size_t>(::WideCharToMultiByte(
      CP_UTF8, 0, text, length, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The system's words in the operator's language come through intact: in French (the
// test's run sets it) they have letters outside ASCII, which the ANSI code page
// spells differently.
TEST(SystemReason, IsUtf8InTheOperatorsLanguageWithItsNumber) {
  const std::string reason = SystemReason(ERROR_ACCESS_DENIED);
  std::array<wchar_t, 256> wide{};
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, ERROR_ACCESS_DENIED, 0, wide.data(),
                                        static_cast<DWORD>(wide.size()), nullptr);
  ASSERT_GT(length, 2u);
  // Its first words, before any closing full stop or line end.
  const std::string words = Utf8(wide.data(), static_cast<int>(length) - 2);
  EXPECT_EQ(reason.rfind(words.substr(0, words.find_first_of(".\r\n")), 0), 0u) << reason;
  EXPECT_NE(reason.find("(error 5)"), std::string::npos) << reason;
  EXPECT_EQ(SystemReason(0xDEADBEEF).rfind("system error", 0), 0u);
}

}  // namespace
}  // namespace quorvex::win32

#include "commands/dispatcher.h"

#include <string>
#include <utility>

#include "commands/clicks.h"

namespace quorvex {
namespace {

bool BeginsCode(char c) {
  return c >= '1' && c <= '5';
}
bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

std::string ClickLine(char first, std::int16_t x, std::int16_t y) {
  return std::string("code \"") + first + "0\": click at " + std::to_string(x) + "," +
         std::to_string(y);
}

}  // namespace

void Dispatcher::DispatchCommand(std::string_view input) {
  if (input.empty()) {
    return;
  }
  if (const auto kept = std::exchange(keptCodeStart_, std::nullopt)) {
    if (input.front() == '0') {
      Act(*kept);
      input.remove_prefix(1);
    }
  }
  for (;;) {
    while (!input.empty() && IsLineEnd(input.front())) {
      input.remove_prefix(1);
    }
    if (input.size() == 1 && BeginsCode(input.front())) {
      keptCodeStart_ = input.front();
      return;
    }
    if (input.size() < 2 || !BeginsCode(input[0]) || input[1] != '0') {
      return;
    }
    Act(input[0]);
    input.remove_prefix(2);
  }
}

// `first` is the code's first character; the second is always "0".
void Dispatcher::Act(char first) {
  const SettingsRecord& s = settings_;
  switch (first) {
    case '1':
      log_.Write(ClickLine(first, s.STRX, s.STRY));
      ClickStart(platform_, s);
      break;
    case '2':
      log_.Write(ClickLine(first, s.STPX, s.STPY));
      ClickStop(platform_, s);
      break;
    case '3':
      log_.Write(ClickLine(first, s.STRX2, s.STRY2));
      ClickStart2(platform_, s);
      break;
    case '4':
      log_.Write("code \"40\": overlays shown");
      ShowBoth(true);
      break;
    case '5':
      log_.Write("code \"50\": overlays hidden");
      ShowBoth(false);
      break;
    default:
      break;
  }
}

void Dispatcher::ShowBoth(bool shown) {
  platform_.frmMain.Show(shown);
  platform_.frmTwo.Show(shown);
}

}  // namespace quorvex

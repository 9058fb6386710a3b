#include "commands/dispatcher.h"

#include <utility>

namespace quorvex {
namespace {

bool BeginsCode(char c) {
  return c >= '1' && c <= '5';
}
bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
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
  switch (first) {
    case '1':
      clicks_.Start();
      break;
    case '2':
      clicks_.Stop();
      break;
    case '3':
      clicks_.Start2();
      break;
    case '4':
      placement_.log().Write("code \"40\": overlays shown");
      ShowBoth(true);
      break;
    case '5':
      placement_.log().Write("code \"50\": overlays hidden");
      ShowBoth(false);
      break;
    default:
      break;
  }
}

void Dispatcher::ShowBoth(bool shown) {
  placement_.Show(placement_.platform().frmMain, shown);
  placement_.Show(placement_.platform().frmTwo, shown);
}

}  // namespace quorvex

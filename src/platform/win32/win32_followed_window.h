// The application's window on Windows: the highest shown (visible, not minimised, not
// cloaked) top-level window of another process whose title holds the WINDOW text,
// followed through out-of-context WinEvents (nothing is asked while nothing happens).
// While there is none, a look 4 times a second as well: Wine delivers no WinEvents of
// other processes.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "platform/followed_window.h"

namespace quorvex::win32 {

// The window's title in UTF-8, as WINDOW is compared with it.
std::string TitleOf(HWND window);

// A range of WinEvents hooked, from one process or (0) from all.
struct EventRange {
  DWORD first = 0;
  DWORD last = 0;
  bool fromFollowed = false;  // only the followed window's process
};

// While none is found, what can bring a window into view or give it the title, from
// every process; once found, what the window does, from its process alone (so a mouse
// or caret moving elsewhere wakes no one), and the cloaking the shell does for it.
std::span<const EventRange> FollowEvents(bool found);

class Win32FollowedWindow final : public FollowedWindow {
 public:
  // `changed` raises Window_Moved; events arrive on the thread that calls Follow.
  explicit Win32FollowedWindow(std::function<void()> changed) : changed_(std::move(changed)) {}
  ~Win32FollowedWindow() override;
  Win32FollowedWindow(const Win32FollowedWindow&) = delete;
  Win32FollowedWindow& operator=(const Win32FollowedWindow&) = delete;

  void Follow(std::string_view titlePart) override;
  std::optional<Point> ClientOrigin() override;
  // Windows answers at once, from this process: never out of date.
  std::optional<Point> ClientOriginNow() override { return ClientOrigin(); }
  // The followed top-level window; null while none is found.
  HWND Found() const { return found_; }
  // Whether its every event is heard: without, its moves and raises go unseen.
  bool Watched() const { return watched_; }

 private:
  static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                               LONG child, DWORD thread, DWORD time);
  static BOOL CALLBACK OnTopLevel(HWND window, LPARAM self);
  static void CALLBACK OnLookTimer(HWND, UINT, UINT_PTR, DWORD);
  void LookWhileAbsent();
  void Take(DWORD event, HWND window);
  void Look();
  void Hook();
  void Unhook();
  bool Matches(HWND window) const;

  std::function<void()> changed_;
  std::string part_;
  HWND found_ = nullptr;
  HWND hookedFor_ = nullptr;  // the window the hooks were set for, null while searching
  bool hooked_ = false;
  bool watched_ = false;
  std::array<HWINEVENTHOOK, 4> hooks_{};
  UINT_PTR lookTimer_ = 0;
};

}  // namespace quorvex::win32

// Message boxes, the log's file and the end, on Windows.
#pragma once

#include <chrono>

#include "platform/toolkit.h"
#include "platform/win32/win32_append_file.h"
#include "platform/win32/win32_overlay.h"
#include "platform/win32/win32_screen.h"

namespace quorvex::win32 {

// The program's message box, UTF-8 text shown in the operator's language; returns
// when it is dismissed, its loop dispatching the thread's messages meanwhile.
void ShowMessageBox(std::string_view text);

class Win32Toolkit final : public Toolkit {
 public:
  Win32Toolkit(Win32Overlay& frmMain, Win32Overlay& frmTwo, TwipsScale scale)
      : frmMain_(frmMain), frmTwo_(frmTwo), scale_(scale) {}

  // The box's own loop goes on dispatching the thread's messages, the timers' and
  // the serial line's among them.
  void MsgBox(std::string_view text) override;
  // A GUI program has no standard error to speak of.
  void Notice(std::string_view /*text*/) override {}
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override {
    return win32::MoveReplacing(from, to);
  }
  double TwipsPerPixelX() const override { return scale_.x; }
  double TwipsPerPixelY() const override { return scale_.y; }
  std::chrono::steady_clock::time_point Now() const override {
    return std::chrono::steady_clock::now();
  }
  void End(int status) override;

  // Windows asks an overlay to close: the end, with status 0. While a message box
  // is open the box goes, and whoever opened it ends with its own status.
  void CloseRequested();

  bool ended() const { return ended_; }
  int status() const { return status_; }

 private:
  Win32Overlay& frmMain_;
  Win32Overlay& frmTwo_;
  TwipsScale scale_;
  int boxesOpen_ = 0;
  bool ended_ = false;
  int status_ = 0;
};

}  // namespace quorvex::win32

// The program's clicks on Windows, through SendInput.
#pragma once

#include "platform/pointer.h"

namespace quorvex::win32 {

class Win32Pointer final : public Pointer {
 public:
  void Click(Point at) override;
};

}  // namespace quorvex::win32

// Where the program's input cannot go on Windows, whatever it sends: User Interface
// Privilege Isolation drops input towards a process of a higher integrity level (one
// run as administrator), and no input reaches any program while the input desktop is
// not this session's (the lock screen, a UAC prompt, a disconnected session).
#pragma once

#include <optional>

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// The mandatory integrity level of `process` (SECURITY_MANDATORY_MEDIUM_RID, ...); none
// when its token cannot be read.
std::optional<DWORD> IntegrityLevel(DWORD process);

// Whether `process` runs at a higher level than this one; one this process is denied
// even asking is taken for one that does.
bool RunsHigher(DWORD process);

// Whether the desktop that now takes input is this thread's own.
bool InputDesktopIsOurs();

}  // namespace quorvex::win32

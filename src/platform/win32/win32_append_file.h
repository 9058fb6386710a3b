// The log's file on Windows.
#pragma once

#include <memory>
#include <string>

#include "platform/append_file.h"

namespace quorvex::win32 {

std::unique_ptr<AppendFile> OpenForAppend(const std::string& path);
// MoveFileExW with MOVEFILE_REPLACE_EXISTING, both UTF-8 paths as UTF-16.
bool MoveReplacing(const std::string& from, const std::string& to);

}  // namespace quorvex::win32

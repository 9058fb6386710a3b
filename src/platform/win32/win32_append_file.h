// The log's file on Windows.
#pragma once

#include <memory>
#include <string>

#include "platform/append_file.h"

namespace quorvex::win32 {

std::unique_ptr<AppendFile> OpenForAppend(const std::string& path);

}  // namespace quorvex::win32

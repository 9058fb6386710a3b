// The log's file on POSIX systems.
#pragma once

#include <memory>
#include <string>

#include "platform/append_file.h"

namespace quorvex::posix {

std::unique_ptr<AppendFile> OpenForAppend(const std::string& path);

}  // namespace quorvex::posix

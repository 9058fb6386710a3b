#include "common/version.h"

namespace quorvex {

std::string VersionText() {
  return "quorvex " QUORVEX_VERSION "\n";
}

}  // namespace quorvex

// Going to production: VERSION:101 (overlays drawn visibly) becomes VERSION:100 in
// tessora.ini, and nothing else changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex::align {

struct ProductionEdit {
  std::string bytes;  // the whole file, every VERSION item's value made 100
  int items = 0;      // VERSION items rewritten
  int firstLine = 0;  // where the first of them is, from 1
};

// The file's bytes in any encoding the program reads (8-bit, UTF-8 with or without
// a byte-order mark, UTF-16 with one), every byte outside the VERSION items' values
// kept. Valid settings text only: read it with ReadSettings first.
ProductionEdit ToProduction(std::string_view bytes);

}  // namespace quorvex::align

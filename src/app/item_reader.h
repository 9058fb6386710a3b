// Settings text split into items, as the file's reader sees them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

struct Item {
  std::string_view text;
  int line = 0;  // where the item starts, from 1
};

// Splits settings text into items: an item ends at a comma or a line end (CR LF, LF
// or CR); blanks before it are skipped; a double-quoted item runs to the next double
// quote, may hold commas and loses its quotes. A UTF-8 byte-order mark is skipped.
class ItemReader {
 public:
  explicit ItemReader(std::string_view text);
  // The next item, or nothing at the end of the text.
  std::optional<Item> Next();

 private:
  void SkipLineEnd();
  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace quorvex

#include "app/item_reader.h"

#include "common/blanks.h"

namespace quorvex {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

ItemReader::ItemReader(std::string_view text) : text_(text) {
  if (text_.starts_with(kByteOrderMark)) {
    pos_ = kByteOrderMark.size();
  }
}

void ItemReader::SkipLineEnd() {
  if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
    ++pos_;
  }
  ++pos_;
  ++line_;
}

std::optional<Item> ItemReader::Next() {
  if (pos_ >= text_.size()) {
    return std::nullopt;
  }
  while (pos_ < text_.size() && IsBlank(text_[pos_])) {
    ++pos_;
  }
  Item item{.text = {}, .line = line_};
  if (pos_ < text_.size() && text_[pos_] == '"') {
    const std::size_t start = ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      // A quoted item may run over line ends; keep the count true for later items.
      if (IsLineEnd(text_[pos_])) {
        SkipLineEnd();
      } else {
        ++pos_;
      }
    }
    item.text = text_.substr(start, pos_ - start);
    if (pos_ < text_.size()) {
      ++pos_;  // the closing quote; what follows it up to the delimiter is dropped
    }
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) {
      ++pos_;
    }
  } else {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) {
      ++pos_;
    }
    item.text = text_.substr(start, pos_ - start);
  }
  if (pos_ < text_.size()) {
    if (text_[pos_] == ',') {
      ++pos_;
    } else {
      SkipLineEnd();
    }
  }
  return item;
}

}  // namespace quorvex

#pragma once

#include <functional>
#include <string>
#include <utility>

namespace quorvex {

// A text whose change handler runs at once, nested inside the setter.
class TextField {
 public:
  explicit TextField(std::function<void()> onChange) : onChange_(std::move(onChange)) {}
  const std::string& Text() const { return text_; }
  void Text(std::string text) {
    if (text == text_) {
      return;
    }
    text_ = std::move(text);
    onChange_();
  }

 private:
  std::string text_;
  std::function<void()> onChange_;
};

}  // namespace quorvex

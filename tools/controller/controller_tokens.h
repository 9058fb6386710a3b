// What Quorvex writes, cut into its codes as the bytes come.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvex::controller {

inline constexpr std::string_view kHeartbeat = "00";

struct Token {
  std::string_view code;
  std::string_view words;  // said beside it; empty where the code says enough
  std::string_view reply;  // --answer's; empty: none
};

// One piece of what arrived: a code of Quorvex's, or bytes that begin none.
struct Piece {
  std::string bytes;
  const Token* token = nullptr;
};

// Quorvex's codes are prefix-free, so each is known the moment its last byte comes;
// only the start of one waits for the rest.
class Tokenizer {
 public:
  std::vector<Piece> Feed(std::string_view bytes);
  // Bytes held for a code's rest, with the stray bytes before them.
  bool Holding() const { return !pending_.empty(); }
  // What is held, as it is: the rest is not coming.
  std::vector<Piece> Flush();

 private:
  void EndStray(std::vector<Piece>& pieces);

  std::string pending_;
  std::string stray_;
};

}  // namespace quorvex::controller

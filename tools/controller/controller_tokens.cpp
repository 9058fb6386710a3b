#include "controller_tokens.h"

#include <array>
#include <utility>

namespace quorvex::controller {
namespace {

constexpr std::array kTokens{
    Token{"some data", "", ""},     Token{"101", "", "10"},
    Token{"202", "", "30"},         Token{"11", "10 made", ""},
    Token{"19", "10 not made", ""}, Token{"21", "20 made", ""},
    Token{"29", "20 not made", ""}, Token{"31", "30 made", ""},
    Token{"39", "30 not made", ""}, Token{kHeartbeat, "heartbeat", ""},
};

}  // namespace

std::vector<Piece> Tokenizer::Feed(std::string_view bytes) {
  pending_ += bytes;
  std::vector<Piece> pieces;
  while (!pending_.empty()) {
    const Token* whole = nullptr;
    bool begun = false;
    for (const Token& token : kTokens) {
      if (pending_.starts_with(token.code)) {
        whole = &token;
        break;
      }
      begun = begun || token.code.starts_with(pending_);
    }
    if (whole != nullptr) {
      EndStray(pieces);
      pieces.push_back({std::string(whole->code), whole});
      pending_.erase(0, whole->code.size());
    } else if (begun) {
      // Stray bytes stay with the start they precede: "30" stays one piece.
      return pieces;
    } else {
      stray_ += pending_.front();
      pending_.erase(0, 1);
    }
  }
  EndStray(pieces);
  return pieces;
}

std::vector<Piece> Tokenizer::Flush() {
  stray_ += std::exchange(pending_, {});
  std::vector<Piece> pieces;
  EndStray(pieces);
  return pieces;
}

void Tokenizer::EndStray(std::vector<Piece>& pieces) {
  if (!stray_.empty()) {
    pieces.push_back({std::exchange(stray_, {}), nullptr});
  }
}

}  // namespace quorvex::controller

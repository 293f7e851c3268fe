#include "engines/HTMLDocument.h"

#include <utility>

namespace tv {

THTMLDocument& THTMLDocument::operator=(std::string text) {
  std::vector<std::string>().swap(pieces_);
  whole_ = std::move(text);
  return *this;
}

void THTMLDocument::SetPieces(std::vector<std::string> pieces) {
  std::string().swap(whole_);
  pieces_ = std::move(pieces);
}

std::size_t THTMLDocument::size() const {
  std::size_t total = 0;
  ForEachPiece([&](std::string_view piece) { total += piece.size(); });
  return total;
}

bool THTMLDocument::operator==(std::string_view text) const {
  if (size() != text.size()) return false;
  bool same = true;
  std::size_t at = 0;
  ForEachPiece([&](std::string_view piece) {
    same = same && text.substr(at, piece.size()) == piece;
    at += piece.size();
  });
  return same;
}

const std::string& THTMLDocument::Text() {
  if (pieces_.empty()) return whole_;
  whole_.reserve(size());
  for (std::string& piece : pieces_) {
    whole_ += piece;
    std::string().swap(piece);
  }
  std::vector<std::string>().swap(pieces_);
  return whole_;
}

}  // namespace tv

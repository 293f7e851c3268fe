#pragma once
// A report's finished HTML, kept as one text or as the pieces its engine
// made: a document of gigabytes goes on to its reader piece by piece and
// is never joined (and so never held twice) unless someone asks for it
// whole.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class THTMLDocument {
 public:
  THTMLDocument& operator=(std::string text);
  // The document as `pieces`, in order.
  void SetPieces(std::vector<std::string> pieces);
  void clear() { *this = std::string(); }

  std::size_t size() const;
  bool operator==(std::string_view text) const;
  // Calls `f` with each piece in order (one for a whole text).
  template <class F>
  void ForEachPiece(F&& f) const {
    if (pieces_.empty()) f(std::string_view(whole_));
    for (const std::string& piece : pieces_) f(std::string_view(piece));
  }
  // The whole text: pieces are joined on the first call, each freed once
  // copied.
  const std::string& Text();

 private:
  std::string whole_;                // the text while it is not in pieces
  std::vector<std::string> pieces_;  // the text while it is
};

}  // namespace tv

#include "library/HostText.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace tv {

namespace {

// Every buffer handed out and not yet released. A host that hands back a
// buffer of its own (or one released already) finds it missing here, and
// the library leaves it alone instead of freeing what it does not own.
std::mutex gBuffersLock;
std::unordered_set<const void*>& Buffers() {
  static auto* buffers = new std::unordered_set<const void*>();
  return *buffers;
}

void* Allocate(size_t bytes) noexcept {
  void* data = std::malloc(bytes);
  if (data == nullptr) return nullptr;
  try {
    std::lock_guard<std::mutex> lock(gBuffersLock);
    Buffers().insert(data);
  } catch (...) {
    std::free(data);
    return nullptr;
  }
  return data;
}

void Release(void* data) noexcept {
  if (data == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(gBuffersLock);
    if (Buffers().erase(data) == 0) return;
  }
  std::free(data);
}

}  // namespace

namespace {

// Replaces the text by `size` bytes that `write` puts into the new buffer.
template <class Write>
bool TextSetWith(TVText* text, std::size_t size, const Write& write) noexcept {
  if (text == nullptr) return false;
  auto* data = static_cast<char*>(Allocate(size + 1));
  if (data == nullptr) return false;
  write(data);
  data[size] = '\0';
  TextFree(text);
  text->data = data;
  text->length = size;
  return true;
}

}  // namespace

bool TextSet(TVText* text, std::string_view bytes) noexcept {
  return TextSetWith(text, bytes.size(), [&](char* data) {
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  });
}

bool TextSet(TVText* text, const THTMLDocument& document) noexcept {
  return TextSetWith(text, document.size(), [&](char* data) {
    document.ForEachPiece([&](std::string_view piece) {
      if (!piece.empty()) std::memcpy(data, piece.data(), piece.size());
      data += piece.size();
    });
  });
}

void TextFree(TVText* text) noexcept {
  if (text == nullptr) return;
  Release(text->data);
  text->data = nullptr;
  text->length = 0;
}

std::string TextOf(const TVText& text) {
  return text.data == nullptr ? std::string() : std::string(text.data, text.length);
}

uint16_t* WideCopy(std::u16string_view text) noexcept {
  auto* data = static_cast<uint16_t*>(Allocate((text.size() + 1) * sizeof(uint16_t)));
  if (data == nullptr) return nullptr;
  if (!text.empty()) std::memcpy(data, text.data(), text.size() * sizeof(uint16_t));
  data[text.size()] = 0;
  return data;
}

void WideFree(uint16_t* text) noexcept { Release(text); }

}  // namespace tv

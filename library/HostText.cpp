#include "library/HostText.h"

#include <cstdlib>
#include <cstring>

namespace tv {

namespace {

constexpr uint64_t kTextMark = 0x54766c5478744d6bULL;

struct alignas(16) BufferHead {
  uint64_t mark;
  uint64_t reserved;
};

void* Allocate(size_t bytes) noexcept {
  auto* head = static_cast<BufferHead*>(std::malloc(sizeof(BufferHead) + bytes));
  if (head == nullptr) return nullptr;
  head->mark = kTextMark;
  head->reserved = 0;
  return head + 1;
}

void Release(void* data) noexcept {
  if (data == nullptr) return;
  BufferHead* head = static_cast<BufferHead*>(data) - 1;
  if (head->mark != kTextMark) return;
  head->mark = 0;
  std::free(head);
}

}  // namespace

bool TextSet(TVText* text, std::string_view bytes) noexcept {
  if (text == nullptr) return false;
  auto* data = static_cast<char*>(Allocate(bytes.size() + 1));
  if (data == nullptr) return false;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  data[bytes.size()] = '\0';
  TextFree(text);
  text->data = data;
  text->length = bytes.size();
  return true;
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

#pragma once
// One text file embedded at build time: its name (file name without folder
// and extension) and its Windows-1251 bytes with CR LF line ends.

#include <cstddef>
#include <string_view>

namespace tv::embedded {

struct EmbeddedText {
  const char* name;
  std::size_t nameSize;
  const char* data;
  std::size_t size;

  std::string_view Name() const { return {name, nameSize}; }
  std::string_view Text() const { return {data, size}; }
};

}  // namespace tv::embedded

#include "platform/text/StringList.h"

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"

namespace tv {
namespace {

[[noreturn]] void SortedListError() {
  throw EStringListError("Operation not allowed on sorted list");
}

}  // namespace

void TStringList::CheckIndex(int i) const {
  if (i < 0 || i >= Count())
    throw EStringListError("List index out of bounds (" + std::to_string(i) + ")");
}

std::string& TStringList::operator[](int i) {
  CheckIndex(i);
  return items_[static_cast<std::size_t>(i)].text;
}

const std::string& TStringList::Strings(int i) const {
  CheckIndex(i);
  return items_[static_cast<std::size_t>(i)].text;
}

void TStringList::SetString(int i, std::string s) {
  if (sorted_) SortedListError();
  CheckIndex(i);
  items_[static_cast<std::size_t>(i)].text = std::move(s);
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::InsertItem(int i, std::string s, void* o) {
  items_.insert(items_.begin() + i, Item{std::move(s), o});
}

int TStringList::Add(std::string s) { return AddObject(std::move(s), nullptr); }

int TStringList::AddObject(std::string s, void* o) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, std::move(s), o);
  return index;
}

void TStringList::Insert(int i, std::string s) { InsertObject(i, std::move(s), nullptr); }

void TStringList::InsertObject(int i, std::string s, void* o) {
  if (sorted_) SortedListError();
  if (i < 0 || i > Count())
    throw EStringListError("List index out of bounds (" + std::to_string(i) + ")");
  InsertItem(i, std::move(s), o);
}

void TStringList::Delete(int i) {
  CheckIndex(i);
  items_.erase(items_.begin() + i);
}

void TStringList::Clear() { items_.clear(); }

void TStringList::Exchange(int i, int j) {
  CheckIndex(i);
  CheckIndex(j);
  std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
}

void TStringList::Move(int from, int to) {
  if (from == to) return;
  CheckIndex(from);
  CheckIndex(to);
  Item item = std::move(items_[static_cast<std::size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
}

void TStringList::Assign(const TStringList& other) {
  if (&other == this) return;
  items_ = other.items_;
  sorted_ = other.sorted_;
  caseSensitive_ = other.caseSensitive_;
  duplicates_ = other.duplicates_;
}

void TStringList::AddStrings(const TStringList& other) {
  std::vector<Item> copy = other.items_;  // `other` may be this list
  for (Item& item : copy) AddObject(std::move(item.text), item.object);
}

int TStringList::IndexOf(std::string_view s) const {
  if (sorted_) {
    int index = 0;
    return Find(s, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(items_[static_cast<std::size_t>(i)].text, s) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const void* o) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<std::size_t>(i)].object == o) return i;
  return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  // The runtime's search: on a match it keeps looking left, so with
  // duplicates not accepted it lands on the first of equal items.
  bool found = false;
  int l = 0;
  int h = Count() - 1;
  while (l <= h) {
    int i = (l + h) >> 1;
    int c = CompareStrings(items_[static_cast<std::size_t>(i)].text, s);
    if (c < 0) {
      l = i + 1;
    } else {
      h = i - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) l = i;
      }
    }
  }
  index = l;
  return found;
}

std::string TStringList::Names(int i) const {
  const std::string& s = Strings(i);
  std::size_t p = s.find('=');
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStringList::ValueFromIndex(int i) const {
  const std::string& s = Strings(i);
  std::size_t p = s.find('=');
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[static_cast<std::size_t>(i)].text;
    std::size_t p = s.find('=');
    if (p != std::string::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0)
      return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (i < 0) {
    Add(std::move(line));
  } else {
    items_[static_cast<std::size_t>(i)].text = std::move(line);
  }
}

std::string TStringList::Text() const {
  std::size_t size = 0;
  for (const Item& item : items_) size += item.text.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Item& item : items_) {
    out += item.text;
    out += "\r\n";
  }
  return out;
}

void TStringList::SetText(std::string_view text) {
  Clear();
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = text.find_first_of("\r\n", i);
    if (j == std::string_view::npos) j = text.size();
    Add(std::string(text.substr(i, j - i)));
    if (j < text.size() && text[j] == '\r') ++j;
    if (j < text.size() && text[j] == '\n') ++j;
    i = j;
  }
}

std::string TStringList::CommaText() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = items_[static_cast<std::size_t>(i)].text;
    if (i > 0) out += ',';
    bool quote = s.empty();
    for (char c : s)
      if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') quote = true;
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

void TStringList::SetCommaText(std::string_view text) {
  Clear();
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t i = 0;
  while (i < text.size() && blank(text[i])) ++i;
  while (i < text.size()) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      while (i < text.size() && !blank(text[i]) && text[i] != ',') item += text[i++];
    }
    Add(std::move(item));
    while (i < text.size() && blank(text[i])) ++i;
    if (i < text.size() && text[i] == ',') {
      ++i;
      while (i < text.size() && blank(text[i])) ++i;
      if (i == text.size()) Add(std::string());
    }
  }
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) Sort();
}

void TStringList::Sort() {
  CustomSort([](const TStringList& list, int a, int b) {
    return list.CompareStrings(list.items_[static_cast<std::size_t>(a)].text,
                               list.items_[static_cast<std::size_t>(b)].text);
  });
}

void TStringList::CustomSort(TCompare compare) {
  if (Count() > 1) QuickSort(0, Count() - 1, compare);
}

void TStringList::QuickSort(int l, int r, const TCompare& compare) {
  // The runtime's partition scheme, kept exactly so that items comparing
  // equal end up in the same order as in the original.
  int i = 0;
  do {
    i = l;
    int j = r;
    int p = (l + r) >> 1;
    do {
      while (compare(*this, i, p) < 0) ++i;
      while (compare(*this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j)
          std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
        if (p == i) {
          p = j;
        } else if (p == j) {
          p = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(l, j, compare);
    l = i;
  } while (i < r);
}

void TStringList::LoadFromFile(const std::string& windowsPath) {
  SetText(ReadFileBytes(windowsPath));
}

void TStringList::SaveToFile(const std::string& windowsPath) const {
  WriteFileBytes(windowsPath, Text());
}

void* TStringList::Objects(int i) const {
  CheckIndex(i);
  return items_[static_cast<std::size_t>(i)].object;
}

void TStringList::SetObject(int i, void* o) {
  CheckIndex(i);
  items_[static_cast<std::size_t>(i)].object = o;
}

}  // namespace tv

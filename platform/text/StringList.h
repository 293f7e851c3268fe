#pragma once
// The runtime's string list: an ordered list of Windows-1251 lines, each
// with an optional attached pointer that the list does not own.
//
// Comparisons ignore letter case by default (AnsiCompareText); with
// CaseSensitive they use AnsiCompareStr. A sorted list keeps its order on
// Add and finds by binary search; Sort uses the runtime's quicksort (middle
// pivot, not stable), so ties come out in the order the original gave.
// Name=value lines split at the first "=".

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class TStringList {
 public:
  enum TDuplicates { dupIgnore, dupAccept, dupError };
  using TCompare = std::function<int(const TStringList&, int, int)>;

  TStringList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // Index errors raise EStringListError "List index out of bounds (N)".
  const std::string& operator[](int i) const { return Strings(i); }
  std::string& operator[](int i);
  const std::string& Strings(int i) const;
  void SetString(int i, std::string s);  // not allowed on a sorted list

  // On a sorted list Add inserts at the sorted place; a duplicate is then
  // ignored (returns the existing index), accepted, or raises.
  int Add(std::string s);
  int AddObject(std::string s, void* o);
  void Insert(int i, std::string s);  // not allowed on a sorted list
  void InsertObject(int i, std::string s, void* o);
  void Delete(int i);
  void Clear();
  void Exchange(int i, int j);
  void Move(int from, int to);
  void Assign(const TStringList& other);  // lines, objects and settings
  void AddStrings(const TStringList& other);

  int IndexOf(std::string_view s) const;
  int IndexOfObject(const void* o) const;
  // Binary search of a sorted list: true when found; `index` receives the
  // position of the match or where `s` would be inserted.
  bool Find(std::string_view s, int& index) const;

  // Name=value access. Names(i) is "" for a line without "=".
  std::string Names(int i) const;
  std::string ValueFromIndex(int i) const;
  std::string Values(std::string_view name) const;
  // An empty value removes the line of that name.
  void SetValue(std::string_view name, std::string_view value);
  int IndexOfName(std::string_view name) const;

  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, LF or CR; a final line break adds no empty line; the
  // text ends at its first NUL byte.
  void SetText(std::string_view text);
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

  void Sort();
  void CustomSort(TCompare compare);

  // The file's bytes as lines (EFOpenError when it cannot be read); the save
  // replaces the file atomically (EFCreateError).
  void LoadFromFile(const std::string& windowsPath);
  void SaveToFile(const std::string& windowsPath) const;

  void* Objects(int i) const;
  void SetObject(int i, void* o);

  // Compares two texts with the list's case rule.
  int CompareStrings(std::string_view a, std::string_view b) const;

 private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };

  void CheckIndex(int i) const;
  void InsertItem(int i, std::string s, void* o);
  void QuickSort(int l, int r, const TCompare& compare);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace tv

#pragma once
// The C view of a built-in pattern list that "Check" and "CheckEx" read.
// The view points into the patterns' own strings, which the registries
// never release, and lives as long as the caller keeps it.

#include <cstddef>
#include <vector>

#include "platform/text/StringList.h"
#include "templates/reportforms/ReportForms.h"

namespace tv {

class TReportFormsListView {
 public:
  // cells: a registry list whose items are cells referring to patterns
  // with a Name string and Lines (a TStringList or a vector of strings).
  template <class TCellList>
  explicit TReportFormsListView(const TCellList& cells) {
    lines_.reserve(cells.size());
    items_.reserve(cells.size());
    for (const auto* cell : cells) {
      const auto& pattern = **cell;
      std::vector<const char*>& lines = lines_.emplace_back();
      const std::size_t count = LineCount(pattern.Lines);
      lines.reserve(count);
      for (std::size_t i = 0; i < count; ++i)
        lines.push_back(pattern.Lines[static_cast<int>(i)].c_str());
      items_.push_back({pattern.Name.c_str(), lines.data(), lines.size()});
    }
    list_ = {items_.data(), items_.size()};
  }

  TReportFormsListView(const TReportFormsListView&) = delete;
  TReportFormsListView& operator=(const TReportFormsListView&) = delete;

  const TReportFormsList* List() const { return &list_; }

 private:
  static std::size_t LineCount(const TStringList& lines) { return lines.Count(); }
  template <class TLines>
  static std::size_t LineCount(const TLines& lines) {
    return lines.size();
  }

  std::vector<std::vector<const char*>> lines_;
  std::vector<TReportFormsPattern> items_;
  TReportFormsList list_{};
};

}  // namespace tv

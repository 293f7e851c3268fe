// Group totals: column sums read back from the group's rendered records
// (MakeItog) and the running sums of the numbers a builder has set
// (MakeItog2).
#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/HTMLJetGuard.h"
#include "engines/HTMLJetText.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::Guarded;
using htmltext::npos;
using htmltext::RowCursor;

namespace {

// More decimals than a long double holds only print noise.
constexpr int kMaxDecimals = 18;

}  // namespace

// The cells of one record row, found once: the logical column after each
// cell, its text and its variable name. At(k) is the cell that covers
// logical column k, the last one past the end, as GetCell finds it.
struct THTML_Jet::RowCells {
  std::vector<std::int64_t> ends;
  std::vector<std::string> cells, vars;
  int count = 0;

  explicit RowCells(std::string_view row) : count(THTML_Jet::CellCount(row)) {
    htmltext::CellCursor cursor(row);
    std::string_view cell;
    std::int64_t column = 0;
    while (cursor.Next(cell)) {
      column += std::max(1, THTML_Jet::ColSpanOf(cell));
      ends.push_back(column);
      cells.emplace_back(cell);
      vars.push_back(THTML_Jet::CellVarName(cell));
    }
  }
  std::size_t At(std::int64_t k) const {
    const auto it = std::upper_bound(ends.begin(), ends.end(), k);
    return it == ends.end() ? ends.size() - 1 : static_cast<std::size_t>(it - ends.begin());
  }
  // A row whose tags count as cells but pair into none has no cell at all.
  const std::string& VarAt(std::int64_t k) const { return Empty() ? kNone : vars[At(k)]; }
  const std::string& CellAt(std::int64_t k) const { return Empty() ? kNone : cells[At(k)]; }
  static inline const std::string kNone;
  bool Empty() const { return ends.empty(); }
};

// A rendered record row whose cells are read as far as a column needs, once
// for every column summed: Cell(j) is GetCell(row, j).
struct THTML_Jet::RenderedRow {
  htmltext::CellCursor cursor;
  std::vector<std::string_view> cells;
  std::vector<std::int64_t> ends;
  bool complete = false;

  explicit RenderedRow(std::string_view row) : cursor(row) {}
  std::string_view Cell(std::int64_t j) {
    while (ends.empty() || j >= ends.back()) {
      std::string_view cell;
      if (complete || !cursor.Next(cell)) {
        complete = true;
        return cells.empty() ? std::string_view() : cells.back();
      }
      const std::int64_t start = ends.empty() ? 0 : ends.back();
      ends.push_back(start + std::max(1, THTML_Jet::ColSpanOf(cell)));
      cells.push_back(cell);
    }
    return cells[static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), j) -
                                          ends.begin())];
  }
};

void THTML_Jet::MakeItog(std::string_view) { MakeItog(0); }

// One totals cell's sum over a column; a cell text that cannot be read is
// kept to be raised when the sum is asked for, as reading the column alone
// would have raised it.
struct THTML_Jet::ColumnSum {
  long double sum = 0;
  int decimals = 0;
  bool found = false;
  std::exception_ptr failure;

  std::string Text() const {
    if (failure) std::rethrow_exception(failure);
    if (!found) return {};
    return Format("%." + std::to_string(std::min(decimals, kMaxDecimals)) + "n", {sum},
                  HTMLJet::ReportFormatSettings());
  }
};

void THTML_Jet::MakeItog(int) {
  Guarded("THTML_Jet.MakeItog", [&] {
    const int recordRows = HTMLProcess::CheckTRPairs(RepeatRowInit);
    std::vector<RowCells> record;
    RowCursor recordCursor(RepeatRowInit);
    for (std::string_view recordRow; recordCursor.Next(recordRow);) record.emplace_back(recordRow);
    const int columns = record.empty() ? 0 : record.front().count;
    // Sums by the first record row they read from, then by column.
    std::map<int, std::map<int, ColumnSum>> sums;
    // Walks the totals rows, filling each cell with sumOf(first row, column).
    const auto fill = [&](const std::function<std::string(int, int)>& sumOf) {
      std::string result;
      RowCursor rows(ItogRows);
      std::string_view row;
      while (rows.Next(row)) {
        ItogRowWork = row;
        for (int j = 0; j < columns; ++j) {
          const std::string cell = GetCell(ItogRowWork, j);
          const std::string name = CellVarName(cell);
          if (cell.empty() || name.empty()) continue;
          const std::string base = BaseVarName(name);
          const int col = FindItogColumn(name, base, record);
          if (col < 0) continue;
          int firstRow = 0;
          const std::string wanted = AnsiLowerCase(base);
          for (std::size_t k = 0; k < record.size(); ++k) {
            if (htmltext::Contains(record[k].CellAt(col), wanted)) {
              firstRow = static_cast<int>(k);
              break;
            }
          }
          ReplaceFirstVar(name, sumOf(firstRow, col), ItogRowWork);
        }
        result += ItogRowWork;
      }
      return result;
    };
    // First the columns the cells ask for, so that the records are read
    // once for all of them; then the cells are filled.
    fill([&](int firstRow, int col) {
      sums[firstRow][col];
      return std::string();
    });
    for (auto& [firstRow, columnSums] : sums) SumColumns(firstRow, recordRows, columnSums);
    ItogRows = fill([&](int firstRow, int col) {
      std::map<int, ColumnSum>& columnSums = sums[firstRow];
      if (columnSums.find(col) == columnSums.end()) {
        std::map<int, ColumnSum> one{{col, ColumnSum{}}};
        SumColumns(firstRow, recordRows, one);
        columnSums.insert(one.begin(), one.end());
      }
      return columnSums[col].Text();
    });
  });
}

int THTML_Jet::FindItogColumn(std::string_view name, std::string_view base,
                              const std::vector<RowCells>& record) const {
  bool repeated = false;
  if (ColumnRepeat && !record.empty()) {
    for (int k = RepeatCellIndex; k < RepeatCellIndex + RepeatSpan; ++k) {
      const std::string& var = record.front().VarAt(k);
      if (!var.empty() && BaseVarName(var) == base) repeated = true;
    }
  }
  int col = -1;
  for (const RowCells& cells : record) {
    for (int k = 0; k < cells.count; ++k) {
      const std::string& var = cells.VarAt(k);
      if (var.empty()) continue;
      if (repeated ? var == name : BaseVarName(var) == base) {
        col = k;
        break;
      }
    }
  }
  return col;
}

void THTML_Jet::SumColumns(int firstRow, int recRows, std::map<int, ColumnSum>& sums) const {
  if (recRows <= 0 || sums.empty()) return;
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  const std::size_t size = static_cast<std::size_t>(Lines.Size());
  std::size_t pos = 0;
  for (int k = 0; k < firstRow; ++k) {
    const std::size_t end = Lines.Find("/tr", pos);
    if (end == npos) return;
    pos = end + 4;
  }
  std::string scratch;
  for (int i = firstRow; i < GroupRows && pos < size; i += recRows) {
    const std::size_t start = Lines.Find("<tr", pos);
    if (start == npos) break;
    const std::size_t end = Lines.Find("/tr", start + 4);
    if (end == npos) break;
    pos = end + 4;
    for (int m = 1; m < recRows && pos < size; ++m) {
      const std::size_t next = Lines.Find("<tr", pos);
      pos = next == npos ? size : next + 4;
    }
    RenderedRow row(Lines.View(start, std::min(end + 4, size) - start, scratch));
    for (auto& [col, sum] : sums) {
      if (sum.failure) continue;
      try {
        const std::string text = CellText(row.Cell(col));
        if (text.find('#') != std::string::npos) continue;
        long double number = 0;
        if (!TryStrToFloat(ExtractNumberPrefix(text, fs), number, fs)) continue;
        sum.sum += number;
        sum.found = true;
        const std::size_t point = text.find(fs.DecimalSeparator);
        sum.decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
      } catch (...) {
        sum.failure = std::current_exception();
      }
    }
  }
}

void THTML_Jet::MakeItog2(std::string_view defaultFormat) {
  Guarded("THTML_Jet.MakeItog2", [&] {
    for (const ItogSum& item : ItogSums) {
      const std::string_view format = item.format.empty() ? defaultFormat : item.format;
      SetScriptVar(item.name, static_cast<double>(item.sum));
      ReplaceFloatVar(item.name, format, ItogRows, static_cast<double>(item.sum));
    }
    EvalIn(ItogRows);
  });
}

}  // namespace tv

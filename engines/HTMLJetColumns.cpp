// Rows and cells of table texts, and the column repeat: reports whose number
// of value columns is known only at run time repeat the last column block
// of the main table.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/HTMLJetText.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::CellCursor;
using htmltext::npos;
using htmltext::RowCursor;

namespace {

// Browsers cap spans at these values; larger numbers only cost time.
constexpr int kMaxColSpan = 1000;
constexpr int kMaxRowSpan = 65534;

const char* const kSpanFiller = "<td rs></td>";
constexpr std::size_t kSpanFillerLength = 12;

// Position of the lower-case ASCII `word` in `text`, letters compared
// without regard to case.
std::size_t FindNoCase(std::string_view text, std::string_view word) {
  // Candidates are found by their first letter in either case (`word` starts
  // with a letter), the earlier of the two first.
  const char lower = word.front(), upper = static_cast<char>(lower & ~0x20);
  std::size_t nextLower = text.find(lower), nextUpper = text.find(upper);
  while (true) {
    const std::size_t i = std::min(nextLower, nextUpper);
    if (i == npos || i + word.size() > text.size()) return npos;
    std::size_t k = 1;
    while (k < word.size() && (text[i + k] | 0x20) == word[k]) ++k;
    if (k == word.size()) return i;
    if (i == nextLower) nextLower = text.find(lower, i + 1);
    if (i == nextUpper) nextUpper = text.find(upper, i + 1);
  }
}

int SpanOf(std::string_view cell, std::string_view attribute, int limit,
           const std::string& badStructure, const std::string& noValue) {
  const std::size_t p = FindNoCase(cell, attribute);
  if (p == npos) return 0;
  std::size_t q = p + attribute.size();
  while (q < cell.size() && cell[q] == ' ') ++q;
  if (q >= cell.size() || cell[q] != '=') throw EHTMLError(badStructure);
  ++q;
  while (q < cell.size() && (cell[q] == ' ' || cell[q] == '"' || cell[q] == '\'')) ++q;
  std::int64_t value = 0;
  const std::size_t digits = q;
  for (; q < cell.size() && cell[q] >= '0' && cell[q] <= '9'; ++q)
    value = std::min<std::int64_t>(value * 10 + (cell[q] - '0'), limit);
  if (q == digits) throw EHTMLError(noValue);
  return static_cast<int>(value);
}

int WidthOf(std::string_view cell) { return std::max(1, THTML_Jet::ColSpanOf(cell)); }

std::vector<std::string_view> CellsOf(std::string_view row) {
  std::vector<std::string_view> cells;
  CellCursor cursor(row);
  std::string_view cell;
  while (cursor.Next(cell)) cells.push_back(cell);
  return cells;
}

int RowCountOf(std::string_view text) {
  RowCursor rows(text);
  std::string_view row;
  int n = 0;
  while (rows.Next(row)) ++n;
  return n;
}

// `count` copies of `cells` after the row's last "</td>".
std::string AppendCellCopies(std::string_view row, std::string_view cells, int count) {
  const std::size_t close = row.rfind("</td");
  if (close == npos)
    throw EHTMLError(" Не найден завершающий тег ячейки в строке "_w + std::string(row));
  const std::size_t at = std::min(close + 5, row.size());
  std::string out(row.substr(0, at));
  for (int i = 0; i < count; ++i) out += cells;
  out += row.substr(at);
  return out;
}

// A cell "<td rs></td>" at a logical column of the row, standing for the
// cell of a row above that spans down over it.
std::string InsertSpanFiller(std::string row, std::int64_t column) {
  std::int64_t width = 0;
  for (std::string_view cell : CellsOf(row)) width += WidthOf(cell);
  std::size_t at;
  if (column < width) {
    at = THTML_Jet::CellPos(row, static_cast<int>(column));
  } else {
    const std::size_t close = row.rfind("</td");
    at = close == npos ? 0 : std::min(close + 5, row.size());
  }
  row.insert(at, std::string(kSpanFiller) + "\r\n");
  return row;
}

}  // namespace

std::string THTML_Jet::GetRow(std::string_view text, int i) {
  RowCursor rows(text);
  std::string_view row;
  for (int k = 0; k <= i; ++k)
    if (!rows.Next(row)) return {};
  return std::string(row);
}

std::string THTML_Jet::GetCell(std::string_view row, int j) {
  CellCursor cells(row);
  std::string_view cell, last;
  std::int64_t column = 0;
  while (cells.Next(cell)) {
    last = cell;
    column += WidthOf(cell);
    if (j < column) return std::string(cell);
  }
  return std::string(last);
}

int THTML_Jet::CellCount(std::string_view row) {
  const int opened = htmltext::Count(row, "<td");
  return opened == htmltext::Count(row, "</td") ? opened : 0;
}

std::string THTML_Jet::LastCell(std::string_view row) { return GetCell(row, CellCount(row) - 1); }

std::size_t THTML_Jet::CellPos(std::string_view row, int n) {
  // Logical columns to a cell number: a spanning cell stands for its first
  // column only.
  int cell = n, covered = 0;
  for (int m = 0; m < n; ++m) {
    int span = ColSpanOf(GetCell(row, m));
    if (span == 0) continue;
    if (covered == 0) {
      cell -= span - 1;
      --span;
    }
    ++covered;
    if (span < covered) covered = 0;
  }
  CellCursor cells(row);
  std::string_view found;
  for (int k = 0; k <= std::max(cell, 0); ++k) {
    if (!cells.Next(found)) {
      const std::size_t close = row.rfind("</td");
      return close == npos ? 0 : std::min(close + 5, row.size());
    }
  }
  return cells.Start();
}

int THTML_Jet::RowSpanOf(std::string_view cell) {
  return SpanOf(cell, "rowspan", kMaxRowSpan, "Некорректная структура span описания"_w,
                "Пустое значение параметра ColSpan"_w);
}

int THTML_Jet::ColSpanOf(std::string_view cell) {
  return SpanOf(cell, "colspan", kMaxColSpan, "Некорректное Span в таблице"_w,
                "пустой номер вм теге ColSpan"_w);
}

std::string THTML_Jet::CellVarName(std::string_view cell) {
  const std::size_t open = cell.find("&lt;#");
  if (open == npos) return {};
  const std::size_t close = cell.find("&g", open + 5);
  if (close == npos) return {};
  return std::string(cell.substr(open + 5, close - open - 5));
}

std::string THTML_Jet::BaseVarName(std::string_view name) {
  const std::size_t marks = name.rfind("^^");
  if (marks == npos) return std::string(name);
  const std::size_t caret = marks == 0 ? npos : name.rfind('^', marks - 1);
  if (caret == npos || caret == 0)
    throw EHTMLError("Ошибка при разборе индексированной переменной в ячейке "_w +
                     std::string(name));
  return std::string(name.substr(0, caret));
}

std::string THTML_Jet::CellText(std::string_view cell) {
  std::string_view rest = cell;
  while (!rest.empty()) {
    const std::size_t gt = rest.find('>');
    if (gt == npos)
      throw EHTMLError("Структура теговых скобок < > неверная в строке: "_w + std::string(cell));
    rest = rest.substr(gt + 1);
    while (!rest.empty() && static_cast<unsigned char>(rest.front()) <= ' ') rest.remove_prefix(1);
    std::string text = Trim(rest.substr(0, rest.find('<')));
    if (!text.empty()) return text;
  }
  return {};
}

std::string THTML_Jet::ReplaceRow(std::string_view text, std::string_view newRow, int i) {
  RowCursor rows(text);
  std::string_view row;
  for (int k = 0; k <= i; ++k)
    if (!rows.Next(row)) return std::string(text);
  std::string out(text.substr(0, rows.Start()));
  out += newRow;
  out += text.substr(rows.Start() + row.size());
  return out;
}

std::string THTML_Jet::IndexCellVars(std::string_view text, int j) {
  const std::string index = "^" + std::to_string(j) + "^^";
  std::string out;
  std::size_t pos = 0;
  for (std::size_t p = text.find("&gt"); p != npos; p = text.find("&gt", pos)) {
    out += text.substr(pos, p - pos);
    out += index;
    out += "&gt";
    pos = p + 3;
  }
  out += text.substr(pos);
  return out;
}

void THTML_Jet::ExpandColumns() {
  const std::string row0 = GetRow(TitleRows, 0);
  RepeatSpan = std::max(1, ColSpanOf(LastCell(row0)));
  RepeatCellIndex = CellCount(row0) - 1;
  ExpandHeaderColumns();
  RepeatRow = ExpandRowBlocks(RepeatRow);
  ItogRows = ExpandRowBlocks(ItogRows);
  AllItogRows = ExpandRowBlocks(AllItogRows);
}

void THTML_Jet::ExpandHeaderColumns() {
  FillRowSpans();
  RepeatLastColumn();
  RemoveSpanFillers();
}

void THTML_Jet::FillRowSpans() {
  const int rowCount = RowCountOf(TitleRows);
  if (rowCount == 0) throw EHTMLError("Шаблон не содержит ни  одного ряда в таблице"_w);
  for (int r = 0; r < rowCount; ++r) {
    const std::string row = GetRow(TitleRows, r);
    if (CellCount(row) == 0) throw EHTMLError("Ряд не содержит ни одной ячейки"_w);
    std::int64_t column = 0;
    for (std::string_view cell : CellsOf(row)) {
      const int rowSpan = RowSpanOf(cell);
      for (int d = 1; d < rowSpan && r + d < rowCount; ++d) {
        TitleRows =
            ReplaceRow(TitleRows, InsertSpanFiller(GetRow(TitleRows, r + d), column), r + d);
      }
      column += WidthOf(cell);
    }
  }
}

void THTML_Jet::RepeatLastColumn() {
  const std::string row0 = GetRow(TitleRows, 0);
  const std::string last = LastCell(row0);
  const int span = WidthOf(last);
  TitleRows = ReplaceRow(TitleRows, AppendCellCopies(row0, last, ColumnCount), 0);
  const int rowCount = RowCountOf(TitleRows);
  for (int r = 1; r < rowCount; ++r) {
    const std::string row = GetRow(TitleRows, r);
    const std::vector<std::string_view> cells = CellsOf(row);
    std::size_t first = cells.size();
    for (int covered = 0; first > 0 && covered < span;) covered += WidthOf(cells[--first]);
    std::string block;
    for (std::size_t k = first; k < cells.size(); ++k) block += cells[k];
    TitleRows = ReplaceRow(TitleRows, AppendCellCopies(row, block, ColumnCount), r);
  }
}

void THTML_Jet::RemoveSpanFillers() {
  std::string out;
  std::size_t pos = 0;
  for (std::size_t p = TitleRows.find("<td rs"); p != npos; p = TitleRows.find("<td rs", pos)) {
    out.append(TitleRows, pos, p - pos);
    pos = std::min(p + kSpanFillerLength, TitleRows.size());
    while (pos < TitleRows.size() && (TitleRows[pos] == ' ' || TitleRows[pos] == '\t' ||
                                      TitleRows[pos] == '\r' || TitleRows[pos] == '\n'))
      ++pos;
  }
  out.append(TitleRows, pos, npos);
  TitleRows = std::move(out);
}

std::string THTML_Jet::ExpandRowBlocks(std::string_view rows) const {
  std::string out;
  RowCursor cursor(rows);
  std::string_view row;
  while (cursor.Next(row)) {
    if (CellCount(row) == 0) {
      out += row;
      continue;
    }
    std::string block;
    for (int k = RepeatCellIndex; k < RepeatCellIndex + RepeatSpan; ++k) block += GetCell(row, k);
    const std::string prefix(row.substr(0, CellPos(row, RepeatCellIndex)));
    out += prefix;
    for (int j = 0; j <= ColumnCount; ++j) out += IndexCellVars(block, j);
    if (!prefix.empty()) out += "</tr>";
  }
  return out;
}

}  // namespace tv

#pragma once
// Internal to platform/ib: the fetched rows of a data set, kept compactly.
//
// Each cell is 8 bytes (an integer, the bits of a double, or the offset of a
// text in the arena, where it is stored as a 4-byte length and its bytes)
// plus a null flag. Rows are addressed by id; the order of the data set is a
// separate list of ids, so inserting or deleting a row moves ids only.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tv::ib_detail {

// How a column's value is kept in its cell.
enum class CellKind : uint8_t {
  Integer,  // SMALLINT, INTEGER, BIGINT without scale; BOOLEAN as 0/1
  Scaled,   // NUMERIC/DECIMAL: the unscaled integer
  Real,     // FLOAT, DOUBLE PRECISION
  Stamp,    // TIMESTAMP, DATE, TIME as the runtime's date-time
  Text,     // CHAR, VARCHAR, BLOB: bytes in the arena
};

class RowStore {
 public:
  void Reset(int columns) {
    columns_ = columns;
    cells_.clear();
    nulls_.clear();
    arena_.clear();
    order_.clear();
    rows_ = 0;
  }
  int Columns() const { return columns_; }
  // Appends an empty (all NULL) row; returns its id.
  uint32_t NewRow() {
    cells_.resize(cells_.size() + columns_, 0);
    nulls_.resize(nulls_.size() + columns_, 1);
    return rows_++;
  }
  void CopyRow(uint32_t from, uint32_t to) {
    std::memmove(&cells_[Slot(to, 0)], &cells_[Slot(from, 0)], columns_ * sizeof(uint64_t));
    std::memmove(&nulls_[Slot(to, 0)], &nulls_[Slot(from, 0)], columns_);
  }

  bool IsNull(uint32_t row, int col) const { return nulls_[Slot(row, col)] != 0; }
  void SetNull(uint32_t row, int col) { nulls_[Slot(row, col)] = 1; }
  int64_t Int(uint32_t row, int col) const { return static_cast<int64_t>(cells_[Slot(row, col)]); }
  double Real(uint32_t row, int col) const {
    double d;
    std::memcpy(&d, &cells_[Slot(row, col)], sizeof d);
    return d;
  }
  std::string_view Text(uint32_t row, int col) const {
    const uint64_t at = cells_[Slot(row, col)];
    uint32_t len;
    std::memcpy(&len, arena_.data() + at, sizeof len);
    return std::string_view(arena_.data() + at + sizeof len, len);
  }
  void SetInt(uint32_t row, int col, int64_t v) { Put(row, col, static_cast<uint64_t>(v)); }
  void SetReal(uint32_t row, int col, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Put(row, col, bits);
  }
  void SetText(uint32_t row, int col, std::string_view v) {
    const uint64_t at = arena_.size();
    const auto len = static_cast<uint32_t>(v.size());
    arena_.append(reinterpret_cast<const char*>(&len), sizeof len);
    arena_.append(v.data(), v.size());
    Put(row, col, at);
  }

  // The data set's order of rows.
  std::vector<uint32_t>& Order() { return order_; }
  const std::vector<uint32_t>& Order() const { return order_; }

 private:
  std::size_t Slot(uint32_t row, int col) const {
    return static_cast<std::size_t>(row) * columns_ + col;
  }
  void Put(uint32_t row, int col, uint64_t v) {
    cells_[Slot(row, col)] = v;
    nulls_[Slot(row, col)] = 0;
  }

  int columns_ = 0;
  uint32_t rows_ = 0;
  std::vector<uint64_t> cells_;
  std::vector<uint8_t> nulls_;
  std::string arena_;
  std::vector<uint32_t> order_;
};

}  // namespace tv::ib_detail

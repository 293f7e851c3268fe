#pragma once
// A database data set seen as a row source (TDataSetSource), for copying a
// query into the in-memory data sets: client data sets through a provider,
// and memory copies that take a table's structure and rows.

#include <vector>

#include "platform/data/MemoryData.h"

namespace tv {

class TIBDataSet;

// Reads `data` row by row; the field definitions are those of the query's
// columns, taken when the source moves to its first row (text fields keep
// their size, NOT NULL columns are required). With `exactDecimals` a
// NUMERIC/DECIMAL of more than four decimals, which a double would round,
// is an ftFMTBcd field whose values are their exact decimal texts; the
// data packets are read so. `data` must outlive the adapter.
class TIBSource : public TDataSetSource {
 public:
  explicit TIBSource(TIBDataSet& data, bool exactDecimals = false)
      : data_(data), exactDecimals_(exactDecimals) {}
  const TFieldDefs& SourceFieldDefs() const override { return defs_; }
  // Opens the data set when it is not, moves to its first row and takes
  // the column definitions.
  void SourceFirst() override;
  bool SourceEof() const override;
  void SourceNext() override;
  Variant SourceValue(int index) const override;

 private:
  TIBDataSet& data_;
  bool exactDecimals_;
  TFieldDefs defs_;
  std::vector<char> exact_;  // per field: read as exact decimal text
};

// Gives `target` the field structure of the query `source` (opened when it
// is not) and opens it empty; a former content is dropped.
void CopyTableStructure(TIBDataSet& source, TRxMemoryData& target);

// CopyTableStructure, then every row of `source` appended in order.
void CopyTableRows(TIBDataSet& source, TRxMemoryData& target);

}  // namespace tv

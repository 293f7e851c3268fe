#include "library/IBSource.h"

#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBField.h"

namespace tv {

void TIBSource::SourceFirst() {
  if (!data_.Active()) data_.Open();
  data_.First();
  defs_.Clear();
  exact_.assign(data_.FieldCount(), 0);
  for (int i = 0; i < data_.FieldCount(); ++i) {
    const TIBField& f = data_.Fields(i);
    if (exactDecimals_ && f.IsScaled() && f.DataType() == TFieldType::ftFloat) {
      exact_[i] = 1;
      defs_.Add(f.FieldName(), TFieldType::ftFMTBcd, f.Scale(), f.Required());
      continue;
    }
    defs_.Add(f.FieldName(), f.DataType(), f.DataType() == TFieldType::ftString ? f.Size() : 0,
              f.Required());
  }
}

bool TIBSource::SourceEof() const { return data_.Eof(); }

void TIBSource::SourceNext() { data_.Next(); }

Variant TIBSource::SourceValue(int index) const {
  const TIBField& f = data_.Fields(index);
  if (exact_[index] == 0 || f.IsNull()) return f.AsVariant();
  return Variant(f.AsExactDecimal());
}

void CopyTableStructure(TIBDataSet& source, TRxMemoryData& target) {
  TIBSource adapter(source);
  adapter.SourceFirst();
  target.CopyStructure(adapter.SourceFieldDefs());
  target.Open();
}

void CopyTableRows(TIBDataSet& source, TRxMemoryData& target) {
  TIBSource adapter(source);
  adapter.SourceFirst();
  target.CopyStructure(adapter.SourceFieldDefs());
  target.Open();
  for (; !adapter.SourceEof(); adapter.SourceNext()) target.AppendFrom(adapter);
  target.Shrink();
  target.First();
}

}  // namespace tv

#include "library/IBSource.h"

#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBField.h"

namespace tv {

void TIBSource::SourceFirst() {
  if (!data_.Active()) data_.Open();
  data_.First();
  defs_.Clear();
  for (int i = 0; i < data_.FieldCount(); ++i) {
    const TIBField& f = data_.Fields(i);
    defs_.Add(f.FieldName(), f.DataType(), f.DataType() == TFieldType::ftString ? f.Size() : 0);
  }
}

bool TIBSource::SourceEof() const { return data_.Eof(); }

void TIBSource::SourceNext() { data_.Next(); }

Variant TIBSource::SourceValue(int index) const { return data_.Fields(index).AsVariant(); }

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

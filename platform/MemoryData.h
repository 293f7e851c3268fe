#pragma once
// In-memory data sets: a table of rows held in memory with named, typed
// fields and a current row, in the shape of the runtime's data sets (the
// RX TRxMemoryData class): field definitions, Append / Edit / Post, a
// cursor (First, Next, Eof), field access by name and Locate.
//
// Values are stored as variants converted to the field's type when they are
// set (a text field cuts its value to its size); null is a value of every
// field. Reading a null field gives 0, "" or False through the As*
// accessors, and Null through Value.
//
// Errors raise EDatabaseError with the runtime's texts, prefixed by the data
// set's name when it has one ("SmLog: Field 'X' not found").

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Currency.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FieldType.h"
#include "platform/Variant.h"

namespace tv {

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  int Size = 0;  // bytes of a text field
  bool Required = false;
};

// The field definitions of a data set, in field order. Names are looked up
// without regard to letter case.
class TFieldDefs {
 public:
  // Raises EDatabaseError "Duplicate field name 'X'" for a second field of a
  // name, and "Field 'X' is of an unknown type" for ftUnknown.
  void Add(std::string name, TFieldType type, int size = 0, bool required = false);
  void Clear() { defs_.clear(); }
  int Count() const { return static_cast<int>(defs_.size()); }
  const TFieldDef& operator[](int index) const { return defs_.at(index); }
  int IndexOf(std::string_view name) const;  // -1 when absent

 private:
  std::vector<TFieldDef> defs_;
};

class TRxMemoryData;

// The exact decimal text of an ftFMTBcd value ("-12.5": "." as separator,
// no trailing zeros): a text is taken as it is, a Currency exactly, any
// other number by the shortest text of its double.
std::string DecimalText(const Variant& value);

// A field of a data set: reads and writes the value of the data set's
// current row. Valid while the data set keeps its field definitions.
class TMemField {
 public:
  TMemField(TRxMemoryData& owner, int index) : owner_(&owner), index_(index) {}

  const std::string& FieldName() const;
  TFieldType DataType() const;
  int Size() const;
  int Index() const { return index_; }

  bool IsNull() const;
  Variant Value() const;  // Null when null
  std::string AsString() const;
  int AsInteger() const;
  int64_t AsLargeInt() const;
  double AsFloat() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;

  // Writing needs the data set in Append or Edit state.
  void SetValue(const Variant& value);
  void SetAsString(std::string_view value) { SetValue(Variant(std::string(value))); }
  void SetAsInteger(int value) { SetValue(Variant(value)); }
  void SetAsFloat(double value) { SetValue(Variant(value)); }
  void SetAsCurrency(Currency value) { SetValue(Variant(value)); }
  void SetAsDateTime(TDateTime value) { SetValue(Variant::FromDate(value)); }
  void SetAsBoolean(bool value) { SetValue(Variant(value)); }
  void Clear() { SetValue(Variant::Null()); }

 private:
  TRxMemoryData* owner_;
  int index_;
};

// A data set read row by row: what a provider copies from (the in-memory
// data sets here, and the database layer's data sets through an adapter).
class TDataSetSource {
 public:
  virtual ~TDataSetSource() = default;
  virtual const TFieldDefs& SourceFieldDefs() const = 0;
  // Opens the source when needed and moves to its first row.
  virtual void SourceFirst() = 0;
  virtual bool SourceEof() const = 0;
  virtual void SourceNext() = 0;
  // The value of field `index` of the current row (Null when null).
  virtual Variant SourceValue(int index) const = 0;
};

class TRxMemoryData : public TDataSetSource {
 public:
  enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

  explicit TRxMemoryData(std::string name = {});
  ~TRxMemoryData() override;
  TRxMemoryData(const TRxMemoryData&) = delete;
  TRxMemoryData& operator=(const TRxMemoryData&) = delete;

  const std::string& Name() const { return name_; }

  // The definitions that the next Open makes fields of; changing them
  // leaves an open data set as it is.
  TFieldDefs& FieldDefs() { return defs_; }
  const TFieldDefs& FieldDefs() const { return defs_; }
  // Takes the definitions of another data set (closed first).
  void CopyStructure(const TFieldDefs& defs);

  // Open makes the fields of the definitions; Close drops every row.
  void Open();
  void Close();
  bool Active() const { return state_ != dsInactive; }
  TDataSetState State() const { return state_; }

  // Append adds a row after the last one and makes it current, in insert
  // state; Edit puts the current row in edit state; Post stores the row;
  // Cancel drops the changes (and an appended row). Append and Edit post a
  // pending row first.
  void Append();
  void Edit();
  void Post();
  void Cancel();
  // Deletes the current row; the next one becomes current.
  void Delete();
  // Posts a pending row, as the runtime does before moving the cursor.
  void CheckBrowseMode();

  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return rows_.empty(); }
  int RecordCount() const { return static_cast<int>(rows_.size()); }
  int RecNo() const { return rows_.empty() ? 0 : current_ + 1; }  // 1-based

  // The fields made by the last Open.
  const TFieldDefs& Fields() const { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  TMemField Fields(int index);
  TMemField FieldByName(std::string_view name);  // EDatabaseError when absent
  // The field's index, or -1.
  int FindField(std::string_view name) const { return fields_.IndexOf(name); }
  // Moves to the first row whose field equals value (VarEquals; null never
  // matches); false when none does (the cursor stays).
  bool Locate(std::string_view fieldName, const Variant& value);

  // TDataSetSource
  const TFieldDefs& SourceFieldDefs() const override { return fields_; }
  void SourceFirst() override;
  bool SourceEof() const override { return Eof(); }
  void SourceNext() override { Next(); }
  Variant SourceValue(int index) const override;

 protected:
  // Appends a stored row whose values are already of the fields' types.
  void AppendStoredRow(std::vector<Variant> row);
  // The stored rows, in order (a pending appended or edited row excluded).
  const std::vector<std::vector<Variant>>& StoredRows() const { return rows_; }
  // The value converted to the type of field `index` (Null for null/empty).
  Variant ConvertToField(int index, const Variant& value) const;
  [[noreturn]] void Fail(const std::string& message) const;

 private:
  friend class TMemField;
  const Variant& CurrentValue(int index) const;
  void SetCurrentValue(int index, const Variant& value);
  void CheckActive() const;
  void SetCursor(int index);

  std::string name_;
  TFieldDefs defs_;
  TFieldDefs fields_;
  std::vector<std::vector<Variant>> rows_;
  std::vector<Variant> buffer_;  // the row being appended or edited
  TDataSetState state_ = dsInactive;
  int current_ = 0;
  bool eof_ = true;
  bool bof_ = true;
};

}  // namespace tv

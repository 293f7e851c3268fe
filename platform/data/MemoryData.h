#pragma once
// In-memory data sets: a table of rows held in memory with named, typed
// fields and a current row, in the shape of the runtime's data sets (the
// RX TRxMemoryData class): field definitions, Append / Edit / Post, a
// cursor (First, Next, Eof), field access by name and Locate.
//
// Values are converted to the field's type when they are set (a text field
// cuts its value to its size) and stored typed, one column per field, so
// that a table of a million rows takes about as much memory as the
// database's own rows; null is a value of every field. Reading a null field
// gives 0, "" or False through the As* accessors, and Null through Value.
//
// Errors raise EDatabaseError with the runtime's texts, prefixed by the data
// set's name when it has one ("SmLog: Field 'X' not found").

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/data/FieldType.h"
#include "platform/data/Variant.h"

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

namespace mem_detail {

// The stored rows of a memory data set, one typed column per field: an
// 8-byte number (integers, Boolean, Currency's raw value, the bits of a
// double or date-time) or a text, and a null flag. A value reads back as the
// variant it was stored from, provided it was of the field's type.
class TypedRows {
 public:
  // Drops every row; the columns take the types of `defs`.
  void Reset(const TFieldDefs& defs);
  void Clear();
  int Count() const { return count_; }
  bool IsNull(int row, int col) const { return cols_[col].nulls[row] != 0; }
  Variant Get(int row, int col) const;  // Null when null
  void Set(int row, int col, const Variant& value);
  // Direct reads of a non-null cell, giving what the variant of Get would
  // convert to; false where only the variant's conversion gives it.
  bool ReadDouble(int row, int col, double& out) const;
  bool ReadInteger(int row, int col, int& out) const;
  bool ReadMoney(int row, int col, Currency& out) const;
  const std::string* ReadText(int row, int col) const;
  void AppendRow();  // a row of nulls
  void EraseRow(int row);
  // Gives back the room kept for more rows.
  void Shrink();

 private:
  enum class Kind : uint8_t { Integer, Int64, Boolean, Real, Money, Date, Text };
  struct Column {
    Kind kind = Kind::Integer;
    std::vector<uint64_t> numbers;   // the number kinds
    std::vector<std::string> texts;  // Text
    std::vector<uint8_t> nulls;
  };
  std::vector<Column> cols_;
  int count_ = 0;
};

}  // namespace mem_detail

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
  // Appends a row holding the values of the source's current row, field by
  // field in order, converted as SetValue converts them; a required field
  // left without a value fails as Post does, and a failure adds no row. The
  // new row is current. The bulk form of Append, SetValue and Post.
  void AppendFrom(const TDataSetSource& source);

  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return rows_.Count() == 0; }
  int RecordCount() const { return rows_.Count(); }
  int RecNo() const { return rows_.Count() == 0 ? 0 : current_ + 1; }  // 1-based
  // Gives back the room kept for more rows, after a bulk load.
  void Shrink() { rows_.Shrink(); }

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
  // Value of field `index` in stored row `row` (a pending appended or
  // edited row excluded); Null when null.
  Variant StoredValue(int row, int index) const { return rows_.Get(row, index); }
  // The value converted to the type of field `index` (Null for null/empty).
  Variant ConvertToField(int index, const Variant& value) const;
  [[noreturn]] void Fail(const std::string& message) const;

 private:
  friend class TMemField;
  Variant CurrentValue(int index) const;
  bool CurrentIsNull(int index) const;
  // The stored row to read from directly, or -1 while a row is pending or
  // there is none.
  int StoredCurrent() const;
  void CheckIndex(int index) const;
  void SetCurrentValue(int index, const Variant& value);
  void CheckActive() const;
  void SetCursor(int index);

  std::string name_;
  TFieldDefs defs_;
  TFieldDefs fields_;
  mem_detail::TypedRows rows_;
  std::vector<Variant> buffer_;  // the row being appended or edited
  TDataSetState state_ = dsInactive;
  int current_ = 0;
  bool eof_ = true;
  bool bof_ = true;
};

}  // namespace tv

#pragma once
// Internal to platform/ib: one prepared statement, its input message built
// from parameter values and its cursor; decodes fetched messages into a
// RowStore.

#include <firebird/Interface.h>

#include <string>
#include <vector>

#include "platform/data/Variant.h"
#include "platform/ib/IBClient.h"
#include "platform/ib/IBField.h"
#include "platform/ib/IBRowStore.h"

namespace tv::ib_detail {

struct ColumnInfo {
  std::string name;
  unsigned type = 0;  // SQL_* without the nullable bit
  int subType = 0;
  int scale = 0;
  unsigned length = 0;
  unsigned offset = 0;
  unsigned nullOffset = 0;
  bool nullable = true;
  CellKind kind = CellKind::Text;
  TFieldType fieldType = TFieldType::ftUnknown;
};

class IBStatement {
 public:
  // Prepares `sql` ("?" for parameters); EIBInterBaseError on failure.
  IBStatement(Firebird::IAttachment* attachment, Firebird::ITransaction* transaction,
              const std::string& sql);
  ~IBStatement();
  IBStatement(const IBStatement&) = delete;
  IBStatement& operator=(const IBStatement&) = delete;

  bool IsSelect() const {
    return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
  }
  const std::vector<ColumnInfo>& Columns() const { return columns_; }
  unsigned MessageLength() const { return messageLength_; }
  unsigned InputCount() const { return inputCount_; }

  // Opens the cursor of a SELECT with one value per "?" (nullptr = NULL).
  void Open(Firebird::ITransaction* transaction, const std::vector<const Variant*>& inputs);
  // Runs any statement; a SELECT is opened and closed.
  void Execute(Firebird::ITransaction* transaction, const std::vector<const Variant*>& inputs);
  // Fetches the next row into `buffer` (MessageLength bytes); false at the
  // end, when the cursor is closed. On an error the cursor is dropped.
  bool Fetch(unsigned char* buffer);
  void CloseCursor();
  bool CursorOpen() const { return static_cast<bool>(cursor_); }
  int AffectedRows();

  // Stores the row in `buffer` as row `row` of `store`; BLOB contents are
  // read through `transaction`.
  void Decode(const unsigned char* buffer, RowStore& store, uint32_t row,
              Firebird::ITransaction* transaction);

 private:
  FbRef<Firebird::IMessageMetadata> BuildInput(Firebird::ITransaction* transaction,
                                               const std::vector<const Variant*>& inputs);
  void DescribeColumns();
  std::string ReadBlob(Firebird::ITransaction* transaction, const ISC_QUAD* id);
  ISC_QUAD WriteBlob(Firebird::ITransaction* transaction, const std::string& bytes);

  Firebird::IAttachment* attachment_;
  FbRef<Firebird::IStatement> statement_;
  FbRef<Firebird::IMessageMetadata> input_;
  FbRef<Firebird::IMessageMetadata> output_;
  FbRef<Firebird::IResultSet> cursor_;
  std::vector<ColumnInfo> columns_;
  unsigned type_ = 0;
  unsigned messageLength_ = 0;
  unsigned inputCount_ = 0;
  std::vector<unsigned char> inBuffer_;
  std::vector<unsigned char> outBuffer_;
};

}  // namespace tv::ib_detail

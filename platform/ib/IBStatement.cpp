#include "platform/ib/IBStatement.h"

#include <algorithm>
#include <cstring>

#include "platform/text/Cp1251.h"

namespace tv::ib_detail {

using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::IStatus;

namespace {

// The field class the runtime would give a column of this type.
void Classify(ColumnInfo& c) {
  switch (c.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      if (c.scale < 0) {
        c.kind = CellKind::Scaled;
        c.fieldType = c.scale >= -4 ? TFieldType::ftBCD : TFieldType::ftFloat;
      } else {
        c.kind = CellKind::Integer;
        c.fieldType = c.type == SQL_SHORT  ? TFieldType::ftSmallint
                      : c.type == SQL_LONG ? TFieldType::ftInteger
                                           : TFieldType::ftLargeint;
      }
      break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      c.kind = CellKind::Real;
      c.fieldType = TFieldType::ftFloat;
      break;
    case SQL_TIMESTAMP:
      c.kind = CellKind::Stamp;
      c.fieldType = TFieldType::ftDateTime;
      break;
    case SQL_TYPE_DATE:
      c.kind = CellKind::Stamp;
      c.fieldType = TFieldType::ftDate;
      break;
    case SQL_TYPE_TIME:
      c.kind = CellKind::Stamp;
      c.fieldType = TFieldType::ftTime;
      break;
    case SQL_BLOB:
      c.kind = CellKind::Text;
      c.fieldType = c.subType == 1 ? TFieldType::ftMemo : TFieldType::ftBlob;
      break;
    case SQL_BOOLEAN:
      c.kind = CellKind::Integer;
      c.fieldType = TFieldType::ftBoolean;
      break;
    case SQL_TEXT:
    case SQL_VARYING:
    case SQL_NULL:
      c.kind = CellKind::Text;
      c.fieldType = TFieldType::ftString;
      break;
    default:
      throw EIBClientError("Column \"" + c.name + "\" has a type this program does not read (" +
                           std::to_string(c.type) + ")");
  }
}

template <class T>
void Store(unsigned char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <class T>
T Load(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

IBStatement::IBStatement(Firebird::IAttachment* attachment, Firebird::ITransaction* transaction,
                         const std::string& sql)
    : attachment_(attachment) {
  IBStatus st;
  statement_.Reset(attachment->prepare(&st, transaction, 0, sql.c_str(), 3,
                                       Firebird::IStatement::PREPARE_PREFETCH_METADATA));
  type_ = statement_->getType(&st);
  input_.Reset(statement_->getInputMetadata(&st));
  inputCount_ = input_->getCount(&st);
  output_.Reset(statement_->getOutputMetadata(&st));
  DescribeColumns();
}

IBStatement::~IBStatement() = default;  // cursor first, then the statement (member order)

void IBStatement::DescribeColumns() {
  IBStatus st;
  const unsigned count = output_->getCount(&st);
  messageLength_ = output_->getMessageLength(&st);
  columns_.resize(count);
  for (unsigned i = 0; i < count; ++i) {
    ColumnInfo& c = columns_[i];
    const char* alias = output_->getAlias(&st, i);
    c.name = alias != nullptr && *alias != '\0' ? alias : output_->getField(&st, i);
    c.type = output_->getType(&st, i) & ~1u;
    c.subType = output_->getSubType(&st, i);
    c.scale = output_->getScale(&st, i);
    c.length = output_->getLength(&st, i);
    c.offset = output_->getOffset(&st, i);
    c.nullOffset = output_->getNullOffset(&st, i);
    c.nullable = output_->isNullable(&st, i);
    Classify(c);
  }
}

FbRef<IMessageMetadata> IBStatement::BuildInput(Firebird::ITransaction* transaction,
                                                const std::vector<const Variant*>& inputs) {
  if (inputs.size() != inputCount_)
    throw EIBClientError("The statement has " + std::to_string(inputCount_) + " parameters, " +
                         std::to_string(inputs.size()) + " given");
  if (inputCount_ == 0) return FbRef<IMessageMetadata>();
  IBStatus st;
  // Each value goes in its own type; Firebird converts it to the parameter's.
  FbRef<IMetadataBuilder> builder(input_->getBuilder(&st));
  std::vector<std::string> texts(inputCount_);
  for (unsigned i = 0; i < inputCount_; ++i) {
    const Variant* v = inputs[i];
    const unsigned described = input_->getType(&st, i) & ~1u;
    if (v == nullptr || v->IsNull() || v->IsEmpty() || v->IsArray()) {
      if (v != nullptr && v->IsArray()) throw EIBClientError("An array is not a parameter value");
      builder->setType(&st, i, described | 1);
      continue;
    }
    switch (v->Type()) {
      case VarType::Smallint:
      case VarType::Integer:
      case VarType::Byte:
        builder->setType(&st, i, SQL_LONG | 1);
        builder->setScale(&st, i, 0);
        break;
      case VarType::Boolean:
        builder->setType(&st, i, (described == SQL_BOOLEAN ? SQL_BOOLEAN : SQL_LONG) | 1);
        builder->setScale(&st, i, 0);
        break;
      case VarType::Int64:
        builder->setType(&st, i, SQL_INT64 | 1);
        builder->setScale(&st, i, 0);
        break;
      case VarType::Currency:
        builder->setType(&st, i, SQL_INT64 | 1);
        builder->setScale(&st, i, -4);
        break;
      case VarType::Single:
      case VarType::Double:
        builder->setType(&st, i, SQL_DOUBLE | 1);
        builder->setScale(&st, i, 0);
        break;
      case VarType::Date:
        builder->setType(&st, i, SQL_TIMESTAMP | 1);
        break;
      default: {
        texts[i] = v->AsString();
        if (described == SQL_BLOB) {
          builder->setType(&st, i, SQL_BLOB | 1);
          break;
        }
        const bool isText = described == SQL_TEXT || described == SQL_VARYING;
        const unsigned charSet = isText ? input_->getCharSet(&st, i) : 0;
        builder->setType(&st, i, SQL_VARYING | 1);
        builder->setLength(&st, i,
                           static_cast<unsigned>(texts[i].size() > 0 ? texts[i].size() : 1));
        builder->setCharSet(&st, i, charSet);
        break;
      }
    }
  }
  FbRef<IMessageMetadata> meta(builder->getMetadata(&st));
  inBuffer_.assign(meta->getMessageLength(&st), 0);
  for (unsigned i = 0; i < inputCount_; ++i) {
    unsigned char* data = inBuffer_.data() + meta->getOffset(&st, i);
    unsigned char* null = inBuffer_.data() + meta->getNullOffset(&st, i);
    const unsigned type = meta->getType(&st, i) & ~1u;
    const Variant* v = inputs[i];
    if (v == nullptr || v->IsNull() || v->IsEmpty()) {
      Store<short>(null, -1);
      continue;
    }
    Store<short>(null, 0);
    switch (type) {
      case SQL_LONG:
        Store<int32_t>(data,
                       v->Type() == VarType::Boolean ? (v->AsBoolean() ? 1 : 0) : v->AsInteger());
        break;
      case SQL_BOOLEAN:
        Store<FB_BOOLEAN>(data, v->AsBoolean() ? FB_TRUE : FB_FALSE);
        break;
      case SQL_INT64:
        Store<int64_t>(data, v->Type() == VarType::Currency ? v->AsCurrency().Raw() : v->AsInt64());
        break;
      case SQL_DOUBLE:
        Store<double>(data, v->AsDouble());
        break;
      case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        DateTimeToIsc(v->AsDateTime(), ts.timestamp_date, ts.timestamp_time);
        Store(data, ts);
        break;
      }
      case SQL_BLOB:
        Store(data, WriteBlob(transaction, texts[i]));
        break;
      default:
        Store<uint16_t>(data, static_cast<uint16_t>(texts[i].size()));
        std::memcpy(data + sizeof(uint16_t), texts[i].data(), texts[i].size());
        break;
    }
  }
  return meta;
}

void IBStatement::Open(Firebird::ITransaction* transaction,
                       const std::vector<const Variant*>& inputs) {
  CloseCursor();
  FbRef<IMessageMetadata> in = BuildInput(transaction, inputs);
  IBStatus st;
  cursor_.Reset(statement_->openCursor(&st, transaction, in.Get(), in ? inBuffer_.data() : nullptr,
                                       output_.Get(), 0));
}

void IBStatement::Execute(Firebird::ITransaction* transaction,
                          const std::vector<const Variant*>& inputs) {
  if (IsSelect()) {
    Open(transaction, inputs);
    CloseCursor();
    return;
  }
  FbRef<IMessageMetadata> in = BuildInput(transaction, inputs);
  outBuffer_.assign(messageLength_, 0);
  IBStatus st;
  statement_->execute(&st, transaction, in.Get(), in ? inBuffer_.data() : nullptr,
                      columns_.empty() ? nullptr : output_.Get(),
                      columns_.empty() ? nullptr : outBuffer_.data());
}

bool IBStatement::Fetch(unsigned char* buffer) {
  if (!cursor_) return false;
  int result = IStatus::RESULT_ERROR;
  try {
    IBStatus st;
    result = cursor_->fetchNext(&st, buffer);
    if (result != IStatus::RESULT_OK && result != IStatus::RESULT_NO_DATA)
      throw EIBInterBaseError("Fetch failed with result " + std::to_string(result));
  } catch (...) {
    cursor_.Reset();  // nothing more can come from it
    throw;
  }
  if (result == IStatus::RESULT_OK) return true;
  CloseCursor();
  return false;
}

void IBStatement::CloseCursor() {
  if (!cursor_) return;
  IBQuietStatus st;
  cursor_->close(&st);
  if (st.Failed())
    cursor_.Reset();  // a lost connection: drop the local object
  else
    cursor_.Detach();  // close released it
}

int IBStatement::AffectedRows() {
  IBStatus st;
  const ISC_UINT64 n = statement_->getAffectedRecords(&st);
  return static_cast<int>(n);
}

void IBStatement::Decode(const unsigned char* buffer, RowStore& store, uint32_t row,
                         Firebird::ITransaction* transaction) {
  const int n = static_cast<int>(columns_.size());
  for (int i = 0; i < n; ++i) {
    const ColumnInfo& c = columns_[i];
    if (Load<short>(buffer + c.nullOffset) != 0 || c.type == SQL_NULL) continue;  // stays NULL
    const unsigned char* at = buffer + c.offset;
    switch (c.type) {
      case SQL_SHORT:
        store.SetInt(row, i, Load<int16_t>(at));
        break;
      case SQL_LONG:
        store.SetInt(row, i, Load<int32_t>(at));
        break;
      case SQL_INT64:
        store.SetInt(row, i, Load<int64_t>(at));
        break;
      case SQL_BOOLEAN:
        store.SetInt(row, i, Load<FB_BOOLEAN>(at) != 0 ? 1 : 0);
        break;
      case SQL_FLOAT:
        store.SetReal(row, i, Load<float>(at));
        break;
      case SQL_DOUBLE:
      case SQL_D_FLOAT:
        store.SetReal(row, i, Load<double>(at));
        break;
      case SQL_TIMESTAMP: {
        const auto ts = Load<ISC_TIMESTAMP>(at);
        store.SetReal(row, i, IscToDateTime(ts.timestamp_date, ts.timestamp_time));
        break;
      }
      case SQL_TYPE_DATE:
        store.SetReal(row, i, IscToDateTime(Load<ISC_DATE>(at), 0));
        break;
      case SQL_TYPE_TIME:
        store.SetReal(row, i, IscToDateTime(kIscDateOfDateTimeZero, Load<ISC_TIME>(at)));
        break;
      case SQL_TEXT:
        store.SetText(row, i, std::string_view(reinterpret_cast<const char*>(at), c.length));
        break;
      case SQL_VARYING:
        store.SetText(row, i,
                      std::string_view(reinterpret_cast<const char*>(at) + 2, Load<uint16_t>(at)));
        break;
      case SQL_BLOB: {
        const auto id = Load<ISC_QUAD>(at);
        store.SetText(row, i, ReadBlob(transaction, &id));
        break;
      }
    }
  }
}

std::string IBStatement::ReadBlob(Firebird::ITransaction* transaction, const ISC_QUAD* id) {
  IBStatus st;
  FbRef<Firebird::IBlob> blob(
      attachment_->openBlob(&st, transaction, const_cast<ISC_QUAD*>(id), 0, nullptr));
  std::string bytes;
  char chunk[32768];
  for (;;) {
    unsigned got = 0;
    const int result = blob->getSegment(&st, sizeof chunk, chunk, &got);
    if (result == IStatus::RESULT_OK || result == IStatus::RESULT_SEGMENT) {
      bytes.append(chunk, got);
      continue;
    }
    if (result != IStatus::RESULT_NO_DATA)
      throw EIBInterBaseError("BLOB read failed with result " + std::to_string(result));
    break;
  }
  blob->close(&st);
  blob.Detach();
  return bytes;
}

ISC_QUAD IBStatement::WriteBlob(Firebird::ITransaction* transaction, const std::string& bytes) {
  IBStatus st;
  ISC_QUAD id{};
  FbRef<Firebird::IBlob> blob(attachment_->createBlob(&st, transaction, &id, 0, nullptr));
  for (std::size_t at = 0; at < bytes.size(); at += 32768) {
    const std::size_t n = std::min<std::size_t>(32768, bytes.size() - at);
    blob->putSegment(&st, static_cast<unsigned>(n), bytes.data() + at);
  }
  blob->close(&st);
  blob.Detach();
  return id;
}

}  // namespace tv::ib_detail

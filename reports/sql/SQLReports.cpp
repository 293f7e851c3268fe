#include "reports/sql/SQLReports.h"

#include <array>
#include <cstring>
#include <memory>

#include "foundation/FBUtils.h"
#include "foundation/FileLogger.h"
#include "library/IBSource.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/Format.h"
#include "platform/text/FormatSettings.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBField.h"

namespace tv {

namespace {

const char* const kOfficeDatabase = "C:\\FUEL\\OfficeDB\\OFFICE.FDB";

// Error texts keep to one line.
std::string OneLine(const std::string& text) { return StringReplace(text, "\r\n", " ", rfReplaceAll); }

const char* ClassNameOf(const std::exception& e) {
  const auto* own = dynamic_cast<const Exception*>(&e);
  return own != nullptr ? own->ClassName() : "Exception";
}

// The office connection of Source 1, freed with the request.
struct TOfficeConnection {
  TIBDatabase* Database = nullptr;
  ~TOfficeConnection() {
    try {
      FBUtils::FreeDatabase(Database);
    } catch (const std::exception& e) {
      ReportsLogger().Log("GetSQLData -> " + ExceptionMessage(e), 2);
    }
  }
};

// The packet is written as hex while the rows are fetched: no row is kept,
// and the packet text exists only a piece at a time.
void DataPacketHex(TIBDatabase* database, const std::string& sql, std::string& out) {
  std::unique_ptr<TIBDataSet> data(
      FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
  data->SelectSQL().SetText(sql);
  data->SetUniDirectional(true);
  TIBSource source(*data, true);
  std::string hex;
  // The two hex digits of every byte, looked up whole.
  static const std::array<char[2], 256> kPairs = [] {
    const char digits[] = "0123456789ABCDEF";
    std::array<char[2], 256> pairs{};
    for (int b = 0; b < 256; ++b) {
      pairs[b][0] = digits[b >> 4];
      pairs[b][1] = digits[b & 15];
    }
    return pairs;
  }();
  WriteDataPacket(source, [&](std::string& piece) {
    const size_t at = hex.size();
    hex.resize(at + 2 * piece.size());
    char* out = hex.data() + at;
    for (const char c : piece) {
      std::memcpy(out, kPairs[static_cast<unsigned char>(c)], 2);
      out += 2;
    }
  });
  data.reset();
  out = std::move(hex);
}

// A field's text value; a NUMERIC of more than four decimals, whose double
// would keep only 15 digits, shows its exact value.
std::string CellText(const TIBField& field) {
  if (!field.IsScaled() || field.DataType() != TFieldType::ftFloat || field.IsNull()) {
    return field.AsString();
  }
  std::string text = field.AsExactDecimal();
  const size_t dot = text.find('.');
  if (dot != std::string::npos) text[dot] = DefaultFormatSettings().DecimalSeparator;
  return text;
}

void AppendRow(TIBDataSet& data, int linkIndex, const std::string& linkAttr, std::string& out) {
  out += "<tr>";
  const int n = data.FieldCount();
  for (int i = 0; i < n; ++i) {
    const std::string value = HtmlEscape(CellText(data.Fields(i)));
    out += "<td>";
    if (i == linkIndex) {
      out += "<a " + linkAttr + value + "\"><b>" + value + "</b></a>";
    } else {
      out += value;
    }
    out += "</td>";
  }
  out += "</tr>\r\n";
}

std::string HtmlTable(TIBDatabase* database, const std::string& sql, const std::string& linkAttr,
                      const std::string& linkColumn) {
  std::unique_ptr<TIBDataSet> data(
      FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
  data->SelectSQL().SetText(sql);
  // Rows are written as they are fetched; none is kept.
  data->SetUniDirectional(true);
  data->Open();
  if (data->Eof()) return "<br><font color=red size=+2>Информация по отчету отсутствует</font><br>"_w;
  std::string out =
      "<table border=1 cellspacing=-1 cellpadding=1 bordercolor=\"#808080\"><tr>";
  int linkIndex = -1;
  for (int i = 0; i < data->FieldCount(); ++i) {
    const std::string& name = data->Fields(i).FieldName();
    out += "<td><b>" + HtmlEscape(name) + "</b></td>";
    if (!linkAttr.empty() && linkIndex < 0 && AnsiSameText(name, linkColumn)) linkIndex = i;
  }
  out += "</tr>\r\n";
  for (; !data->Eof(); data->Next()) AppendRow(*data, linkIndex, linkAttr, out);
  out += "</table>";
  return out;
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  if (text.find_first_of("&<>\"") == std::string::npos) return text;
  std::string out;
  out.reserve(text.size() + 16);
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void GetSQLData(TReportCreator& creator, const std::string& sql, int source, std::string& out) {
  try {
    if (source == 0) {
      DataPacketHex(creator.Database, sql, out);
    } else if (source == 1) {
      TOfficeConnection office;
      office.Database = FBUtils::CreateDatabase(kOfficeDatabase, FBUtils::GetFBPassword(),
                                                FBUtils::GetFBPort(), true, nullptr, "SYSDBA",
                                                "127.0.0.1", false, "", "WIN1251");
      FBUtils::FBConnectDB(office.Database);
      DataPacketHex(office.Database, sql, out);
    }
  } catch (const std::exception& e) {
    throw Exception(Format("ПолучениеДанныхОтПровайдера -> %s <#%s#> SQL: %s"_w,
                           {OneLine(ExceptionMessage(e)), ClassNameOf(e), OneLine(sql)}));
  }
}

void GetSQLTable(TReportCreator& creator, const std::string& sql, int /*extra*/,
                 const std::string& linkAttr, const std::string& linkColumn, std::string& out) {
  try {
    LastHTMLReport = HtmlTable(creator.Database, sql, linkAttr, linkColumn);
    out = "FRM-отчет"_w;
  } catch (const std::exception& e) {
    const std::string msg = Format("Ошибка при генерации HTML-таблицы -> %s. SQL: %s"_w,
                                   {OneLine(ExceptionMessage(e)), OneLine(sql)});
    ReportsLogger().Log(msg, 2);
    LastHTMLReport = "<br><font color=red size=+2>" + msg + "</font><br>";
    out = "FRM-отчет: "_w + msg;
  }
}

}  // namespace tv

#include "reports/operational/waybills/TTNDocument.h"

#include "engines/HTMLJet.h"
#include "exchange/TTNUnit.h"
#include "foundation/FBUtils.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

// The party columns of one counterparty alias ("go") under its prefix
// ("GO_"), as one select line: `lead` first, then the nine columns (and BIK
// when asked), then ", " or " " when last.
std::string PartySelectLine(const std::string& lead, const std::string& a, const std::string& p,
                            bool bik, bool last) {
  std::string line = lead + a + ".FULLNAME AS " + p + "NAME, " + a + ".INN AS " + p + "INN, " + a +
                     ".ADDRESS AS " + p + "ADDRESS,        " + a + ".PHONE AS " + p + "PHONE, " +
                     a + ".OKPO AS " + p + "OKPO, " + a + ".KPP AS " + p + "KPP,        " + a +
                     ".RSCHET AS " + p + "RSCHET, " + a + ".BANKNAME AS " + p + "BANKNAME, " + a +
                     ".KSCHET AS " + p + "KSCHET";
  if (bik) line += ", " + a + ".BIK AS " + p + "BIK";
  return line + (last ? " " : ", ");
}

}  // namespace

std::string ShortRequisites(const std::string& inn, const std::string& kpp) {
  if (!inn.empty() && !kpp.empty()) return "ИНН/КПП "_w + inn + "/" + kpp;
  if (!inn.empty()) return "ИНН "_w + inn;
  if (!kpp.empty()) return "КПП "_w + kpp;
  return {};
}

std::string FormatRequisites(const std::string& inn, const std::string& kpp,
                             const std::string& bank, const std::string& rschet,
                             const std::string& kschet, const std::string& bik) {
  std::string out = ShortRequisites(inn, kpp);
  if (!out.empty()) out += ' ';
  if (!bank.empty()) out += bank + " ";
  if (!rschet.empty()) out += "р/сч "_w + rschet + " ";
  if (!kschet.empty()) out += "кор/сч "_w + kschet + " ";
  if (!bik.empty()) out += "БИК "_w + bik + " ";
  return Trim(out);
}

std::string ExpandLegalForm(const std::string& name) {
  static const char* const kForms[][2] = {
      {"ООО ", "ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ "},
      {"ИП ", "ИНДИВИДУАЛЬНЫЙ ПРЕДПРИНИМАТЕЛЬ "},
      {"ОАО ", "ОТКРЫТОЕ АКЦИОНЕРНОЕ ОБЩЕСТВО "},
      {"ЗАО ", "ЗАКРЫТОЕ АКЦИОНЕРНОЕ ОБЩЕСТВО "},
      {"АО ", "АКЦИОНЕРНОЕ ОБЩЕСТВО "},
      {"ЧП ", "ЧАСТНЫЙ ПРЕДПРИНИМАТЕЛЬ "},
      {"ГУП ", "ГОСУДАРСТВЕННОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ "},
      {"МУП ", "МУНИЦИПАЛЬНОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ "},
      {"ФГУП ", "ФЕДЕРАЛЬНОЕ ГОСУДАРСТВЕННОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ "},
  };
  std::string text = name;
  for (const auto& form : kForms) {
    const std::string abbr = Utf8ToCp1251(form[0]);
    if (text.compare(0, abbr.size(), abbr) == 0)
      text = Utf8ToCp1251(form[1]) + text.substr(abbr.size());
  }
  return text;
}

std::string PartiesHeaderSQL(std::initializer_list<TTTNParty> parties, bool bik) {
  std::string select, joins;
  std::size_t i = 0;
  for (const TTTNParty& p : parties) {
    const bool first = i == 0, last = ++i == parties.size();
    select +=
        PartySelectLine(first ? "SELECT t.*, " : "       ", p.alias, p.prefix, bik, last) + "\r\n";
    joins += std::string("LEFT JOIN CONTRAGENT ") + p.alias + " ON " + p.alias + ".CONTR_ID = t." +
             p.column + "\r\n";
  }
  return select + "FROM TTN t \r\n" + joins + "WHERE TTN_ID=";
}

bool NumberPresent(TIBField& field) { return !field.IsNull() && field.AsCurrency() > Currency(); }

bool DatePresent(TIBField& field) { return !field.IsNull() && field.AsDateTime() > 1; }

void TTTNVarWriter::Text(const std::string& var, TIBDataSet& ds, const std::string& column) {
  jet_.Add(Utf8ToCp1251(var), ds.FieldByName(column).AsString());
}

void TTTNVarWriter::NumberText(const std::string& var, TIBDataSet& ds, const std::string& column) {
  TIBField& f = ds.FieldByName(column);
  if (NumberPresent(f)) jet_.Add(Utf8ToCp1251(var), f.AsString());
}

void TTTNVarWriter::Money(const std::string& var, TIBDataSet& ds, const std::string& column) {
  TIBField& f = ds.FieldByName(column);
  if (NumberPresent(f))
    jet_.AddFloatDefault(Utf8ToCp1251(var), static_cast<double>(f.AsCurrency()));
}

void TTTNVarWriter::Float(const std::string& var, const char* format, TIBDataSet& ds,
                          const std::string& column, bool always) {
  TIBField& f = ds.FieldByName(column);
  if (always || NumberPresent(f))
    jet_.AddFloat(Utf8ToCp1251(var), format, static_cast<double>(f.AsCurrency()));
}

void TTTNVarWriter::Date(const std::string& var, const char* format, TIBDataSet& ds,
                         const std::string& column) {
  TIBField& f = ds.FieldByName(column);
  if (DatePresent(f)) jet_.AddDateTime(Utf8ToCp1251(var), format, f.AsDateTime());
}

TTTNDocument::TTTNDocument(TReportCreator& creator, int ttnId, const std::string& templateName)
    : creator_(creator), ttnId_(ttnId) {
  if (!TTNUnit::TTNDetailExists(creator.Database)) suffix_ = "1";
  jet_ = std::make_unique<THTML_Jet>(GetWebFormFileName(templateName), false, 0);
  jet_->Init();
  // The engine turns a template it cannot read into the document's text; a
  // waybill document printed as that message would pass for a made one.
  std::string loaded;
  jet_->GetResultText(loaded);
  if (!loaded.empty()) return;
  const std::string& file = jet_->FileName();
  if (!FileExists(file))
    throw Exception("Ошибка при открытии файла шаблона отчета \""_w + file +
                    "\": Файл не найден!"_w);
  ReadFileBytes(file);  // an unreadable file raises its own error
}

TTTNDocument::~TTTNDocument() = default;

TIBDataSet& TTTNDocument::OpenHeader(const std::string& sql) {
  header_.reset(FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  header_->SelectSQL().SetText(sql + IntToStr(ttnId_));
  header_->Open();
  // A waybill that is not there must not print as an empty document that
  // looks made.
  if (header_->Eof()) throw Exception(Format("Накладная с TTN_ID = %d не найдена"_w, {ttnId_}));
  return *header_;
}

TIBDataSet& TTTNDocument::OpenDetail(const std::string& flag) {
  const std::string id = IntToStr(ttnId_);
  return OpenDetailSQL(HasDetailTable() ? "SELECT * FROM TTNDETAIL WHERE TTN_ID = " + id + " AND " +
                                              flag + " = 1 ORDER BY ID"
                                        : "SELECT * FROM TTN WHERE TTN_ID = " + id);
}

TIBDataSet& TTTNDocument::OpenDetailSQL(const std::string& sql) {
  detail_.reset(FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  detail_->SelectSQL().SetText(sql);
  detail_->Open();
  return *detail_;
}

void TTTNDocument::CloseDataSets() {
  detail_.reset();
  header_.reset();
}

void TTTNDocument::Finish() {
  CloseDataSets();
  jet_->EndDoc();
  jet_->GetReady(LastHTMLReport);
}

}  // namespace tv

#pragma once
// What the waybill documents share: the detail source (TTNDETAIL rows of
// the document's print flag, or the waybill's own suffix-"1" columns on
// older databases), the header queries with the counterparty prefixes, the
// "present" tests, the requisites lines and the legal-form expansion.

#include <initializer_list>
#include <memory>
#include <string>

namespace tv {

class TIBDataSet;
class TIBField;
class THTML_Jet;
class TReportCreator;

// "ИНН/КПП <inn>/<kpp>", "ИНН <inn>", "КПП <kpp>" or "".
std::string ShortRequisites(const std::string& inn, const std::string& kpp);
// The INN/KPP part, bank name, "р/сч ", "кор/сч " and "БИК " parts, each
// followed by a blank, trimmed.
std::string FormatRequisites(const std::string& inn, const std::string& kpp,
                             const std::string& bank, const std::string& rschet,
                             const std::string& kschet, const std::string& bik);
// The first of the nine abbreviations ("ООО ", "ИП " ... "ФГУП ") that the
// name begins with, in their order and each on the text the earlier ones
// left, replaced by its full words.
std::string ExpandLegalForm(const std::string& name);

// One counterparty of a header query: its alias, column prefix and the TTN
// column that refers to it.
struct TTTNParty {
  const char* alias;
  const char* prefix;
  const char* column;
};
// The header query of the waybill with these counterparties, ending in
// "WHERE TTN_ID=" for the id: a select line per party (with BIK when
// asked), "FROM TTN t " and a LEFT JOIN per party, joined by CR LF.
std::string PartiesHeaderSQL(std::initializer_list<TTTNParty> parties, bool bik);

// A number is present when it is greater than 0; a date when it is after
// day 1 of the date-time scale.
bool NumberPresent(TIBField& field);
bool DatePresent(TIBField& field);

// Puts data set columns into a document's variables (names written in
// UTF-8 in the source); numbers and dates only when present, so that an
// absent value leaves its cell blank.
class TTTNVarWriter {
 public:
  explicit TTTNVarWriter(THTML_Jet& jet) : jet_(jet) {}

  void Text(const std::string& var, TIBDataSet& ds, const std::string& column);
  // The column's own text, only when the number is present.
  void NumberText(const std::string& var, TIBDataSet& ds, const std::string& column);
  void Money(const std::string& var, TIBDataSet& ds, const std::string& column);
  void Float(const std::string& var, const char* format, TIBDataSet& ds, const std::string& column,
             bool always);
  void Date(const std::string& var, const char* format, TIBDataSet& ds, const std::string& column);

 protected:
  THTML_Jet& jet_;
};

// One waybill document: the engine on its template, the waybill's header
// row and the detail rows of a print flag. Everything is freed with it.
class TTTNDocument {
 public:
  // Asks whether TTNDETAIL exists and opens the engine on the template;
  // raises Exception when the template file is missing or unreadable.
  TTTNDocument(TReportCreator& creator, int ttnId, const std::string& templateName);
  ~TTTNDocument();

  THTML_Jet& Jet() { return *jet_; }
  // Opens the header query (`sql` + the id); raises Exception naming the
  // id when the waybill has no row.
  TIBDataSet& OpenHeader(const std::string& sql);
  // Opens the detail rows of the print flag (or the waybill's own row).
  TIBDataSet& OpenDetail(const std::string& flag);
  // Opens detail rows of the document's own query (`sql` is complete).
  TIBDataSet& OpenDetailSQL(const std::string& sql);
  int Id() const { return ttnId_; }
  void CloseDataSets();
  // An item column's name with the row suffix ("NAME" or "NAME1").
  std::string Col(const std::string& name) const { return name + suffix_; }
  bool HasDetailTable() const { return suffix_.empty(); }
  // EndDoc, GetReady into LastHTMLReport.
  void Finish();

 private:
  TReportCreator& creator_;
  int ttnId_;
  std::string suffix_;
  std::unique_ptr<THTML_Jet> jet_;
  std::unique_ptr<TIBDataSet> header_, detail_;
};

}  // namespace tv

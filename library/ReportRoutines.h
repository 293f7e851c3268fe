#pragma once
// Routines that many report builders share: where an HTML or text form is
// looked up, a payment-type filter as a 0/1 array, copying a query into a
// client data set, the goods departments, and three switches read from the
// host or from cnf.ini.

#include <string>

#include "platform/data/ClientDataSet.h"
#include "platform/text/StringList.h"
#include "platform/data/Variant.h"

namespace tv {

class TIBDataSet;
class TReportCreator;

// The host's answer to question 80 ("NB" form folders); False without a
// query procedure or when the question fails. Asked anew on every call.
bool UseNBForms();

// The form file to use. A bare name: "C:\FUEL\FORMS\WEBREPNB\" + name when
// the NB folders apply and that file exists, else "C:\FUEL\FORMS\WEBREP\" +
// name. A name with a folder: the same file in the folder named with "NB"
// appended (D:\F\x.frm -> D:\FNB\x.frm) under the same rule, else the name
// unchanged.
std::string GetWebFormFileName(const std::string& fileName);

// A 0/1 integer array over the payment-type table's rows: 1 where the
// row's code is one of `codes` (a 1-D array). Unassigned codes leave
// `result` untouched.
void MakeVidOplSelection(const Variant& codes, Variant& result);

// Opens `target` with every row of `source` through a provider named
// "RepCreatorProvider_<n>_<tick count>" (n: a process-wide counter). A
// failure is raised again with the context "ЗаполнениеКлиентДатаСета".
void FillClientDataSet(TDataSetSource& source, TClientDataSet& target);
// The same from a database data set (opened when it is not).
void FillClientDataSet(TIBDataSet& source, TClientDataSet& target);

// The goods departments as "name=folder" lines (folders without a trailing
// delimiter, existing ones only): from "C:\FUEL\TradeOfficeDepartments.ini"
// for the station named by the host (tradeOffice), else from
// "C:\FUEL\Departments.txt". Failures are logged; the list keeps what it
// holds.
void FillTovarDepList(TStringList& list, bool tradeOffice);

// Whether statement customers are kept in CONTRAGENT (payment types of base
// kind 4 with contracts) rather than in VDCONTRACTOR. Query errors pass on.
bool HasVidOplContractors(TReportCreator& creator);

// The alternative templates apply and: useIni, cnf.ini [Misc]
// OfficeReportsType (read only when they apply); else the host's answer to
// question 8.
bool GetOfficeReportsType(bool useIni);
// GetOfficeReportsType(OfficeHost).
bool IsOfficeReportsType();

// cnf.ini [Misc] VOMimo, -1 when absent.
int ReadVOMimo();

}  // namespace tv

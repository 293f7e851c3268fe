#pragma once
// The organisation requisites of a report: the operating company's details
// from section "Organization" of the request's configuration file
// (CnfIniFileName), the station name, the current date and time and, when
// asked, one cash register's model and numbers, put into a text form and an
// HTML template as variables.

namespace tv {

class TRepGen;
class THTML_Jet;

// Either engine may be null. With kkmIndex >= 0 the register's "KKMModel",
// "KKMNum" and "KKMRNum" are added (host questions 43, 44 and 18 asked for
// each engine). Failures of the file or of a host question pass on.
void PutOrgRequisites(TRepGen* form, THTML_Jet* jet, int kkmIndex);

}  // namespace tv

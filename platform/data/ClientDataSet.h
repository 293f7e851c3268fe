#pragma once
// Client data sets and their providers, in the shape of the runtime's
// data-access components: a TDataSetProvider publishes a source data set
// under a name; a TClientDataSet names a provider and, when opened, copies
// the provider's fields and every row into memory. A client data set also
// reads and writes its content as an XML data packet (XMLData, files).
//
// Data packet layout (Windows-1251 text, no encoding in the declaration):
//   <?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0">
//   <METADATA><FIELDS><FIELD attrname="ID" fieldtype="i4"/>...</FIELDS>
//   <PARAMS/></METADATA><ROWDATA><ROW ID="1" .../>...</ROWDATA></DATAPACKET>
// all on one line. Field types: "string" (WIDTH), "string.uni", "i2",
// "ui2", "i4", "i8", "boolean" ("TRUE"/"FALSE"), "r8" (decimal point; with
// SUBTYPE="Money" a money field), "fixed" (four decimals), "fixedFMT"
// (an exact decimal, DECIMALS its scale), "date" (yyyymmdd), "time"
// (hh:nn:sszzz), "dateTime" (yyyymmddThh:nn:sszzz, date and time from the
// one value), "bin.hex" (base64; SUBTYPE="Text" a memo, "Binary" a blob);
// a required field has required="true". A null value is an absent
// attribute. A field name that is no XML name is escaped in the ROW
// attributes (PacketAttrName); its FIELD then has that escaped name as
// attrname and the real one as fieldname. The reader also accepts an
// encoding declaration and any order of attributes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/data/MemoryData.h"

namespace tv {

// Publishes `source` under `name` while the provider lives. Names are
// unique without regard to letter case: a second provider of a name raises
// EDatabaseError "A provider named '<name>' already exists". The source must
// outlive the provider. Providers may be made and used on any thread.
class TDataSetProvider {
 public:
  TDataSetProvider(std::string name, TDataSetSource& source);
  ~TDataSetProvider();
  TDataSetProvider(const TDataSetProvider&) = delete;
  TDataSetProvider& operator=(const TDataSetProvider&) = delete;

  const std::string& Name() const { return name_; }
  TDataSetSource& DataSet() const { return *source_; }

 private:
  std::string name_;
  TDataSetSource* source_;
};

class TClientDataSet : public TRxMemoryData {
 public:
  explicit TClientDataSet(std::string name = {});

  const std::string& ProviderName() const { return providerName_; }
  void SetProviderName(std::string name) { providerName_ = std::move(name); }

  // With a provider name: closes, takes the provider's field definitions
  // and copies every row of its source (EDatabaseError "Provider '<name>'
  // not found" when no provider has the name). Without one: opens the rows
  // loaded from a packet, or raises "Missing data provider or data packet".
  void Open();
  // Drops the rows and any loaded packet.
  void Close();

  // The content as an XML data packet (the data set must be open). Raises
  // EDatabaseError when a text holds a control character other than tab,
  // CR and LF, which XML cannot carry, or the byte 0x98, which Windows-1251
  // has no character for.
  std::string XMLData() const;
  // Replaces fields and rows by those of the packet and opens the data set.
  // Raises EDatabaseError "Invalid XML data packet: <reason>" for text that
  // is not a well-formed packet of the layout above.
  void SetXMLData(std::string_view packet);
  void LoadFromFile(std::string_view fileName);  // Windows or native path
  void SaveToFile(std::string_view fileName) const;

 private:
  void CopyFromSource(TDataSetSource& source);
  void ReadPacket(std::string_view packet);  // ClientDataSetXml.cpp

  std::string providerName_;
  bool packetLoaded_ = false;
};

// The XML data packet of `source`'s fields and rows, in the layout of
// XMLData, written as the rows are read: no copy of the rows is held.
std::string DataPacketOf(TDataSetSource& source);

// The same packet handed to `sink` in pieces of about 256 KiB as it is
// written (the sink may take the piece's content; it is cleared after each
// call); returns the number of rows. What the sink raises passes on.
using TPacketSink = std::function<void(std::string& piece)>;
int64_t WriteDataPacket(TDataSetSource& source, const TPacketSink& sink);

// The ROW attribute name of a field: the name itself when it is an XML
// name (ASCII letters, "_", Cyrillic letters, then also digits, "-", "."),
// else each byte that may not stand at its place, a "_" before "x" and
// the first letter of a leading "xml" (any case) as "_xHHHH_", HHHH the
// character's UTF-16 code in upper-case hex ("RDB$ID" is "RDB_x0024_ID").
std::string PacketAttrName(std::string_view name);

}  // namespace tv

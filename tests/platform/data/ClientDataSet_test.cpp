#include "platform/data/ClientDataSet.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

void FillSource(TRxMemoryData& src) {
  src.FieldDefs().Add("ID", TFieldType::ftInteger, 0, true);
  src.FieldDefs().Add("NAME", TFieldType::ftString, 20);
  src.FieldDefs().Add("PRICE", TFieldType::ftFloat);
  src.FieldDefs().Add("SUMMA", TFieldType::ftBCD);
  src.FieldDefs().Add("DT", TFieldType::ftDateTime);
  src.FieldDefs().Add("OK", TFieldType::ftBoolean);
  src.FieldDefs().Add("NOTE", TFieldType::ftMemo);
  src.Open();
  src.Append();
  src.FieldByName("ID").SetAsInteger(1);
  src.FieldByName("NAME").SetAsString("АИ-95 \"Премиум\" <&>"_w);
  src.FieldByName("PRICE").SetAsFloat(52.35);
  src.FieldByName("SUMMA").SetAsCurrency(Currency::FromRaw(-12345));
  src.FieldByName("DT").SetAsDateTime(EncodeDateTime(2024, 2, 29, 13, 5, 7, 89));
  src.FieldByName("OK").SetAsBoolean(true);
  src.FieldByName("NOTE").SetAsString("строка 1\r\nстрока 2"_w);
  src.Post();
  src.Append();
  src.FieldByName("ID").SetAsInteger(2);  // every other field null
  src.Post();
}

TEST(ClientDataSet, OpensThroughANamedProviderAndCopiesEveryRow) {
  TRxMemoryData src("Q");
  FillSource(src);
  TClientDataSet cds;
  {
    TDataSetProvider provider("RepCreatorProvider_1_1000", src);
    EXPECT_THROW(TDataSetProvider("repcreatorprovider_1_1000", src), EDatabaseError);
    cds.SetProviderName("REPCREATORPROVIDER_1_1000");
    cds.Open();
  }
  ASSERT_EQ(cds.RecordCount(), 2);
  EXPECT_EQ(cds.FieldByName("NAME").AsString(), "АИ-95 \"Премиум\" <&>"_w);
  cds.Next();
  EXPECT_TRUE(cds.FieldByName("PRICE").IsNull());
  // The provider is gone with its scope.
  TClientDataSet other;
  other.SetProviderName("RepCreatorProvider_1_1000");
  EXPECT_THROW(other.Open(), EDatabaseError);
  TClientDataSet none;
  try {
    none.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Missing data provider or data packet");
  }
}

TEST(ClientDataSet, PacketReadsBackIdentically) {
  TRxMemoryData src;
  FillSource(src);
  TDataSetProvider provider("P", src);
  TClientDataSet a;
  a.SetProviderName("P");
  a.Open();
  const std::string packet = a.XMLData();
  TClientDataSet b;
  b.SetXMLData(packet);
  ASSERT_EQ(b.FieldCount(), 7);
  ASSERT_EQ(b.RecordCount(), 2);
  EXPECT_EQ(b.Fields()[1].Size, 20);
  EXPECT_TRUE(b.Fields()[0].Required);
  EXPECT_EQ(b.FieldByName("NAME").AsString(), "АИ-95 \"Премиум\" <&>"_w);
  EXPECT_DOUBLE_EQ(b.FieldByName("PRICE").AsFloat(), 52.35);
  EXPECT_EQ(b.FieldByName("SUMMA").AsCurrency().Raw(), -12345);
  EXPECT_DOUBLE_EQ(b.FieldByName("DT").AsDateTime(), EncodeDateTime(2024, 2, 29, 13, 5, 7, 89));
  EXPECT_TRUE(b.FieldByName("OK").AsBoolean());
  EXPECT_EQ(b.FieldByName("NOTE").AsString(), "строка 1\r\nстрока 2"_w);
  b.Next();
  EXPECT_EQ(b.FieldByName("ID").AsInteger(), 2);
  EXPECT_TRUE(b.FieldByName("NAME").IsNull());
  EXPECT_EQ(b.XMLData(), packet);
}

TEST(ClientDataSet, PacketIsWhatAnIndependentXmlParserReads) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  test::TempRoot root;
  TRxMemoryData src;
  FillSource(src);
  TDataSetProvider provider("P", src);
  TClientDataSet cds;
  cds.SetProviderName("P");
  cds.Open();
  cds.SaveToFile(GetTempDir() + "p.xml");
  const std::string script =
      "import sys, xml.etree.ElementTree as ET\n"
      "root = ET.fromstring(open(sys.argv[1], 'rb').read(), "
      "parser=ET.XMLParser(encoding='windows-1251'))\n"
      "for f in root.iter('FIELD'): print('F', f.get('attrname'), f.get('fieldtype'), "
      "f.get('WIDTH'), f.get('SUBTYPE'))\n"
      "for r in root.iter('ROW'): print('R', sorted(r.attrib.items()))\n";
  root.WriteFile("check.py", script);
  int rc = 0;
  const std::string out = test::RunCommand(
      "python3 '" + root.Path() + "/check.py' '" + MapPath(GetTempDir() + "p.xml") + "'", &rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_EQ(out,
            "F ID i4 None None\n"
            "F NAME string 20 None\n"
            "F PRICE r8 None None\n"
            "F SUMMA fixed 18 None\n"
            "F DT dateTime None None\n"
            "F OK boolean None None\n"
            "F NOTE bin.hex None Text\n"
            "R [('DT', '20240229T13:05:07089'), ('ID', '1'), ('NAME', 'АИ-95 \"Премиум\" <&>'), "
            "('NOTE', '8fLw7urgIDENCvHy8O7q4CAy'), ('OK', 'TRUE'), ('PRICE', '52.35'), "
            "('SUMMA', '-1.2345')]\n"
            "R [('ID', '2')]\n");
}

TEST(ClientDataSet, ReadsAPacketWrittenByHandWithAnEncodingDeclaration) {
  const std::string packet =
      "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"yes\"?>\r\n"
      "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD fieldtype=\"string\" attrname=\"GSM\" WIDTH=\"15\"/>"
      "<FIELD attrname=\"D\" fieldtype=\"date\"/><FIELD attrname=\"T\" fieldtype=\"time\"/>"
      "<FIELD attrname=\"L\" fieldtype=\"i8\"/><FIELD attrname=\"M\" fieldtype=\"r8\" "
      "SUBTYPE=\"Money\"/>"
      "</FIELDS><PARAMS LCID=\"1049\"/></METADATA><ROWDATA>"
      "<ROW RowState=\"4\" GSM=\"" +
      "ДТ&#13;&#10;зимнее"_w +
      "\" D=\"19991231\" T=\"06:30:00000\" "
      "L=\"-9000000000\" M=\"1e3\"/></ROWDATA></DATAPACKET>\r\n";
  TClientDataSet cds;
  cds.SetXMLData(packet);
  ASSERT_EQ(cds.RecordCount(), 1);
  EXPECT_EQ(cds.FieldByName("GSM").AsString(), "ДТ\r\nзимнее"_w);
  EXPECT_DOUBLE_EQ(cds.FieldByName("D").AsDateTime(), EncodeDate(1999, 12, 31));
  EXPECT_DOUBLE_EQ(cds.FieldByName("T").AsDateTime(), EncodeTime(6, 30, 0, 0));
  EXPECT_EQ(cds.FieldByName("L").AsLargeInt(), -9000000000LL);
  EXPECT_EQ(cds.FieldByName("M").DataType(), TFieldType::ftCurrency);
  EXPECT_DOUBLE_EQ(cds.FieldByName("M").AsFloat(), 1000.0);
}

TEST(ClientDataSet, BadPacketsGiveAClearError) {
  const std::string head =
      "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS></METADATA>";
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "<X>";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "no element found"},
      {"<ROOT/>", "the root element is 'ROOT'"},
      {head + "<ROWDATA><ROW A=\"x\"/></ROWDATA></DATAPACKET>", "value 'x' of field 'A'"},
      {head + "<ROWDATA><ROW A=\"1\"></ROWDATA></DATAPACKET>", "mismatched tag"},
      {"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"xx\"/>", "type 'xx'"},
      {head + "<ROWDATA><ROW A=\"99999999999\"/></ROWDATA></DATAPACKET>", "field 'A'"},
      // Packets come from other machines: no document type, no entities.
      {"<!DOCTYPE DATAPACKET [<!ENTITY a \"aa\"><!ENTITY b \"&a;&a;\">]>" + head +
           "<ROWDATA><ROW A=\"1\"/></ROWDATA></DATAPACKET>",
       "a document type declaration is not allowed"},
      {"<!DOCTYPE DATAPACKET SYSTEM \"file:///etc/passwd\">" + head + "</DATAPACKET>",
       "a document type declaration is not allowed"},
      {head + deep, "nested too deeply"},
  };
  for (const auto& [text, reason] : cases) {
    TClientDataSet cds;
    try {
      cds.SetXMLData(text);
      ADD_FAILURE() << text;
    } catch (const EDatabaseError& e) {
      EXPECT_NE(e.Message().find("Invalid XML data packet: "), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(reason), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(cds.Active());
  }
  TRxMemoryData src;
  src.FieldDefs().Add("S", TFieldType::ftString, 5);
  src.Open();
  src.Append();
  src.FieldByName("S").SetAsString(std::string("a\x01z"));
  src.Post();
  src.Append();
  src.FieldByName("S").SetAsString(std::string("a\x98z"));  // no character in Windows-1251
  src.Post();
  TDataSetProvider provider("C", src);
  TClientDataSet cds;
  cds.SetProviderName("C");
  cds.Open();
  EXPECT_THROW(cds.XMLData(), EDatabaseError);
  cds.Close();
  cds.Open();
  cds.Delete();  // the row with 0x01: the one with 0x98 is refused as well
  EXPECT_THROW(cds.XMLData(), EDatabaseError);
}

TEST(ClientDataSet, TimesKeepTenThousandthsOfASecond) {
  TRxMemoryData src;
  src.FieldDefs().Add("DT", TFieldType::ftDateTime);
  src.Open();
  src.Append();
  src.FieldByName("DT").SetAsDateTime(EncodeDateTime(2024, 3, 1, 20, 52, 42, 562) + 0.7 / 86400000);
  src.Post();
  TDataSetProvider provider("T4", src);
  TClientDataSet a, b;
  a.SetProviderName("T4");
  a.Open();
  const std::string packet = a.XMLData();
  EXPECT_NE(packet.find("DT=\"20240301T20:52:425627\""), std::string::npos) << packet;
  b.SetXMLData(packet);
  EXPECT_EQ(b.XMLData(), packet);
}


// Column names that are no XML names: Python's parser reads the packet, its
// own decoding of the documented "_xHHHH_" escape gives each real name
// back (as does FIELD fieldname), and our reader restores the fields.
TEST(ClientDataSet, NamesThatAreNoXmlNamesStayReadable) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  const std::string names[] = {"RDB$RELATION_ID", "Сумма, руб"_w, "1st", "a b", "xmlns",
                               "_x0041_", "Цена", "№ п/п"_w, "A:B"};
  TRxMemoryData src;
  for (const std::string& name : names) src.FieldDefs().Add(name, TFieldType::ftInteger);
  src.Open();
  src.Append();
  for (int i = 0; i < src.FieldCount(); ++i) src.Fields(i).SetAsInteger(i + 1);
  src.Post();
  TDataSetProvider provider("N", src);
  TClientDataSet cds;
  cds.SetProviderName("N");
  cds.Open();
  test::TempRoot root;
  cds.SaveToFile(root.Path() + "/n.xml");
  root.WriteFile("check.py",
                 "import re, sys, xml.etree.ElementTree as ET\n"
                 "root = ET.fromstring(open(sys.argv[1], 'rb').read().decode('cp1251'))\n"
                 "row = next(root.iter('ROW'))\n"
                 "for f in root.iter('FIELD'):\n"
                 "    a = f.get('attrname')\n"
                 "    real = re.sub(r'_x([0-9A-F]{4})_', lambda m: chr(int(m.group(1), 16)), a)\n"
                 "    assert real == f.get('fieldname', a), (a, f.get('fieldname'))\n"
                 "    sys.stdout.buffer.write((real + '=' + row.get(a) + '\\n').encode('cp1251'))\n");
  int rc = 0;
  const std::string out =
      test::RunCommand("python3 '" + root.Path() + "/check.py' '" + root.Path() + "/n.xml'", &rc);
  ASSERT_EQ(rc, 0) << out;
  std::string expected;
  for (int i = 0; i < 9; ++i) expected += names[i] + "=" + std::to_string(i + 1) + "\n";
  EXPECT_EQ(out, expected);
  TClientDataSet back;
  back.SetXMLData(cds.XMLData());
  ASSERT_EQ(back.FieldCount(), 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(back.Fields()[i].Name, names[i]);
    EXPECT_EQ(back.Fields(i).AsInteger(), i + 1) << names[i];
  }
}
}  // namespace
}  // namespace tv

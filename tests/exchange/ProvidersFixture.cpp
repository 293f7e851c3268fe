#include "tests/exchange/ProvidersFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tv::test {

void ProvidersTest::SetUp() {
  LoadReal();
  ownerCreate_ = lib->Get<decltype(ownerCreate_)>("tv_owner_create");
  ownerFree_ = lib->Get<decltype(ownerFree_)>("tv_owner_free");
  getRecords_ = lib->Get<decltype(getRecords_)>("tv_provider_get_records");
  applyDelta_ = lib->Get<decltype(applyDelta_)>("tv_provider_apply_delta");
  host->Set(46, Variant(0));
  host->Set(69, Variant("C:\\FUEL\\DB\\Velmar.FDB"));
}

void ProvidersTest::TearDown() {
  if (owner != nullptr) FreeOwner();
}

void ProvidersTest::Create() {
  ASSERT_EQ(host->Init(), 1) << lib->LastError();
  auto reg = [](void* context, TVProvider* provider, const char* name) {
    auto* t = static_cast<ProvidersTest*>(context);
    std::lock_guard<std::mutex> hold(t->namesLock);
    t->registered.push_back(name);
    t->providers.emplace_back(name, provider);
  };
  auto unreg = [](void* context, TVProvider*, const char* name) {
    auto* t = static_cast<ProvidersTest*>(context);
    std::lock_guard<std::mutex> hold(t->namesLock);
    t->unregistered.push_back(name);
  };
  owner = ownerCreate_(reg, unreg, this);
  ASSERT_NE(owner, nullptr);
  lib->DCOMServerOnCreate(owner);
}

int32_t ProvidersTest::FreeOwner() {
  const int32_t result = ownerFree_(owner);
  owner = nullptr;
  return result;
}

TVProvider* ProvidersTest::Provider(const std::string& name) const {
  for (const auto& [n, p] : providers) {
    if (n == name) return p;
  }
  ADD_FAILURE() << "provider " << name << " not registered";
  return nullptr;
}

ProvidersTest::Result ProvidersTest::Read(const std::string& name, const std::string& sql) {
  TVText text{};
  const std::string command = Utf8ToCp1251(sql);
  Result r;
  r.Ok = getRecords_(Provider(name), command.empty() ? nullptr : command.c_str(), &text) == 1;
  r.Text = r.Ok ? std::string(text.data, text.length) : std::string(lib->LastError());
  lib->TextFree(&text);
  return r;
}

std::vector<IsqlRow> ProvidersTest::Rows(const std::string& name, const std::string& sql) {
  const Result r = Read(name, sql);
  EXPECT_TRUE(r.Ok) << Cp1251ToUtf8(r.Text);
  root.WriteFile("packet.xml", r.Text);
  int rc = -1;
  const std::string out = RunCommand("python3 " + std::string(TOLVAREN_SOURCE_DIR) +
                                         "/tests/exchange/exchange_file.py packet '" + root.Path() +
                                         "/packet.xml'",
                                     &rc);
  EXPECT_EQ(rc, 0) << out;
  std::vector<IsqlRow> rows;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const size_t a = line.find('\t'), b = line.find('\t', a + 1);
    const size_t n = std::stoul(line.substr(0, a));
    if (rows.size() <= n) rows.resize(n + 1);
    rows[n][line.substr(a + 1, b - a - 1)] = line.substr(b + 1);
  }
  return rows;
}

ProvidersTest::Result ProvidersTest::Apply(const std::string& name, const std::string& utf8Delta) {
  const std::string delta = Utf8ToCp1251(utf8Delta);
  TVText text{};
  Result r;
  r.Ok = applyDelta_(Provider(name), delta.data(), delta.size(), &text) == 1;
  r.Text = r.Ok ? std::string(text.data, text.length) : std::string(lib->LastError());
  lib->TextFree(&text);
  return r;
}

std::vector<std::string> ProvidersTest::Outcome(const std::string& name,
                                                const std::string& utf8Delta) {
  const Result r = Apply(name, utf8Delta);
  EXPECT_TRUE(r.Ok) << Cp1251ToUtf8(r.Text);
  std::vector<std::string> out;
  for (size_t at = r.Text.find("<RECORD "); at != std::string::npos;
       at = r.Text.find("<RECORD ", at + 1)) {
    const std::string record = r.Text.substr(at, r.Text.find("/>", at) - at);
    const size_t error = record.find("error=\"");
    out.push_back(error == std::string::npos ? "ok" : record.substr(error + 7, record.size() - error - 8));
  }
  return out;
}

std::vector<IsqlRow> ProvidersTest::Sql(const std::string& utf8Select) const {
  return IsqlSelect(Db(), Utf8ToCp1251(utf8Select));
}

void ProvidersTest::Exec(const std::string& utf8Statements) const {
  int rc = -1;
  const std::string out = Isql("SET NAMES WIN1251;\nCONNECT '" + Db() + "' USER 'SYSDBA';\n" +
                                   Utf8ToCp1251(utf8Statements) + "\nCOMMIT;\n",
                               &rc);
  ASSERT_EQ(rc, 0) << out;
}

void ProvidersTest::MakeSample(const std::string& options) const {
  int rc = -1;
  const std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) +
                                         "/db/create-sample-db --only station --root '" +
                                         root.Path() + "' " + options + " 2>&1",
                                     &rc);
  ASSERT_EQ(rc, 0) << out;
}

std::vector<std::string> Flat(const std::vector<IsqlRow>& rows, const std::vector<std::string>& skip) {
  std::vector<std::string> out;
  for (const IsqlRow& row : rows) {
    std::string line;
    for (const auto& [k, v] : row) {
      if (std::find(skip.begin(), skip.end(), k) != skip.end()) continue;
      // Numbers by value: isql-fb pads decimals, the packet does not.
      char* end = nullptr;
      const double d = std::strtod(v.c_str(), &end);
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.10g", d);
      line += k + "=" + (!v.empty() && *end == 0 ? std::string(buf) : v) + " ";
    }
    out.push_back(line);
  }
  return out;
}

}  // namespace tv::test

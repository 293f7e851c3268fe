// Fetching the sales log (LOGTRAN, 1 000 000 rows of the benchmark sample)
// through the data-access layer into field values, against the client
// library's OO interface used directly on the same statement.
//
// The database is made once with db/create-sample-db --sales 1000000 under
// $TOLVAREN_BENCH_ROOT (default: bench-root in the build folder) and reused.

#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/BenchDatabase.h"
#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/ib/IBClient.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBEnvironment.h"
#include "platform/ib/IBError.h"
#include "platform/ib/IBTransaction.h"

namespace {

const char kQuery[] =
    "SELECT INDEXSALE, DATA, GSMNAME, LITER, SUMMA, GSMPRICE, PLOTN, VIDOPL, KA, POKUPATEL "
    "FROM LOGTRAN";

std::string Database() { return bench::BenchDatabase(); }

// Through the layer: every column read with its natural accessor.
void BM_LayerFetch(benchmark::State& state) {
  const std::string path = Database();
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  bench::OpenForRead(db, tr, path);
  tv::TIBDataSet ds;
  ds.SetDatabase(&db);
  ds.SetUniDirectional(state.range(0) == 1);
  ds.SelectSQL().SetText(kQuery);
  int64_t rows = 0;
  for (auto _ : state) {
    int64_t sum = 0;
    double real = 0;
    ds.Open();
    tv::TIBField& index = ds.Fields(0);
    tv::TIBField& data = ds.Fields(1);
    tv::TIBField& gsm = ds.Fields(2);
    tv::TIBField& liter = ds.Fields(3);
    tv::TIBField& summa = ds.Fields(4);
    tv::TIBField& price = ds.Fields(5);
    tv::TIBField& plotn = ds.Fields(6);
    tv::TIBField& vidopl = ds.Fields(7);
    tv::TIBField& ka = ds.Fields(8);
    tv::TIBField& buyer = ds.Fields(9);
    rows = 0;
    for (; !ds.Eof(); ds.Next()) {
      sum += index.AsInteger() + vidopl.AsInteger() + ka.AsInteger();
      sum += liter.AsCurrency().Raw() + summa.AsCurrency().Raw() + price.AsCurrency().Raw();
      real += data.AsDateTime() + plotn.AsFloat();
      sum += static_cast<int64_t>(gsm.AsString().size() + buyer.AsString().size());
      ++rows;
    }
    ds.Close();
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(real);
  }
  state.counters["rows"] = static_cast<double>(rows);
}

template <class T>
T Load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The client library alone: the same values taken from each fetched message.
void BM_DirectFetch(benchmark::State& state) {
  using namespace Firebird;
  const std::string path = Database();
  IMaster* master = tv::FirebirdMaster();
  tv::ib_detail::IBStatus st;  // every failed call raises
  IUtil* util = master->getUtilInterface();
  IXpbBuilder* dpb = util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
  dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
  dpb->insertString(&st, isc_dpb_lc_ctype, "WIN1251");
  IProvider* provider = master->getDispatcher();
  IAttachment* att =
      provider->attachDatabase(&st, path.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
  const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_nowait, isc_tpb_read};
  ITransaction* tra = att->startTransaction(&st, sizeof tpb, tpb);
  IStatement* stmt = att->prepare(&st, tra, 0, kQuery, 3, IStatement::PREPARE_PREFETCH_METADATA);
  IMessageMetadata* meta = stmt->getOutputMetadata(&st);
  const unsigned n = meta->getCount(&st);
  std::vector<unsigned> off(n), nul(n);
  for (unsigned i = 0; i < n; ++i) {
    off[i] = meta->getOffset(&st, i);
    nul[i] = meta->getNullOffset(&st, i);
  }
  std::vector<unsigned char> buffer(meta->getMessageLength(&st));
  int64_t rows = 0;
  for (auto _ : state) {
    int64_t sum = 0;
    double real = 0;
    IResultSet* rs = stmt->openCursor(&st, tra, nullptr, nullptr, meta, 0);
    rows = 0;
    const unsigned char* b = buffer.data();
    while (rs->fetchNext(&st, buffer.data()) == IStatus::RESULT_OK) {
      auto isNull = [&](int i) { return Load<short>(b + nul[i]) != 0; };
      sum += (isNull(0) ? 0 : Load<int32_t>(b + off[0])) +
             (isNull(7) ? 0 : Load<int32_t>(b + off[7])) +
             (isNull(8) ? 0 : Load<int32_t>(b + off[8]));
      for (int i : {3, 4, 5}) sum += isNull(i) ? 0 : Load<int64_t>(b + off[i]);
      if (!isNull(1)) {
        const auto ts = Load<ISC_TIMESTAMP>(b + off[1]);
        real += (ts.timestamp_date - 15018) + ts.timestamp_time / 864000000.0;
      }
      real += isNull(6) ? 0 : Load<double>(b + off[6]);
      for (int i : {2, 9}) {
        if (isNull(i)) continue;
        std::string text(reinterpret_cast<const char*>(b + off[i] + 2), Load<uint16_t>(b + off[i]));
        sum += static_cast<int64_t>(text.size());
      }
      ++rows;
    }
    rs->close(&st);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(real);
  }
  state.counters["rows"] = static_cast<double>(rows);
  meta->release();
  stmt->free(&st);
  tra->commit(&st);
  att->detach(&st);
  provider->release();
  dpb->dispose();
}

}  // namespace

BENCHMARK(BM_DirectFetch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LayerFetch)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);  // unidirectional
BENCHMARK(BM_LayerFetch)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);  // rows kept
BENCHMARK_MAIN();

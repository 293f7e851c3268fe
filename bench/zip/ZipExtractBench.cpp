// Extraction speed against Info-ZIP's unzip and Python's zipfile, in one
// run, each archive extracted into a fresh folder and then again over the
// tree it left (overwriting every file), each run after a sync and, where
// files were removed before it, after the file system has settled them;
// ZIP_BENCH_ROUNDS=n gives the median of n runs, the order rotating:
//   real   - a copy of installed shared data and system libraries (about
//            400 MB in 10 000+ files, many sizes, many folders);
//   many   - 70 000 small entries in 70 folders;
//   flat   - 32 000 small files in one folder;
//   deep   - one file below n nested folders "a/" (n = 250 .. 2000), ours
//            only: the cost must grow in step with n;
//   mixed  - the generated text and binary corpus of a few hundred MB.
//
//   zip_extract_bench [scratch folder] [case ...]

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/zip/ZipBenchSupport.h"
#include "zip/ZipReader.h"

namespace fs = std::filesystem;
using zipbench::MakeCorpus;
using zipbench::Run;
using zipbench::Seconds;

namespace {

// Regular files of the installed system, in walk order, up to `bytes`.
void CopySystemFiles(const std::string& dir, int64_t bytes) {
  int64_t total = 0;
  int files = 0;
  // Half shared data (many small files), half libraries (larger ones).
  for (const char* root : {"/usr/share", "/usr/lib/x86_64-linux-gnu"}) {
    int64_t limit = std::string(root) == "/usr/share" ? bytes / 2 : bytes;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec),
         end;
         it != end && total < limit; it.increment(ec)) {
      if (ec || !it->is_regular_file(ec) || it->is_symlink(ec)) continue;
      int64_t size = static_cast<int64_t>(it->file_size(ec));
      if (ec || size > (16 << 20)) continue;
      fs::path target = fs::path(dir) / fs::relative(it->path(), "/usr", ec);
      fs::create_directories(target.parent_path(), ec);
      if (!fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec)) continue;
      total += size;
      ++files;
    }
  }
  std::printf("real corpus: %d files, %.0f MB\n", files, static_cast<double>(total) / (1 << 20));
}

void SmallFiles(const std::string& dir, int folders, int perFolder) {
  for (int f = 0; f < folders; ++f) {
    std::string folder = folders == 1 ? dir : dir + "/d" + std::to_string(f);
    fs::create_directories(folder);
    for (int i = 0; i < perFolder; ++i)
      std::ofstream(folder + "/file" + std::to_string(i) + ".txt")
          << "entry " << i << " of folder " << f << "\n";
  }
}

void Deep(const std::string& dir, int depth) {
  // One level at a time: the library's recursive creation gives up long
  // before the system does.
  std::string path = dir;
  fs::create_directories(path);
  for (int i = 0; i < depth; ++i) ::mkdir((path += "/a").c_str(), 0755);
  std::ofstream(path + "/deep.txt") << "at the bottom\n";
}

double Ours(const std::string& archive, const std::string& dest) {
  return Seconds([&] {
    tv::zip::TZipReader reader;
    reader.SetZipName(archive);
    reader.SetDestDir(dest);
    reader.DoAll = true;
    reader.RecreateDirs = true;
    reader.OverwriteMode = tv::zip::Always;
    reader.UnZip();
  });
}

double Unzip(const std::string& archive, const std::string& dest) {
  return Seconds([&] { Run("unzip -qo '" + archive + "' -d '" + dest + "'"); });
}

double Python(const std::string& archive, const std::string& dest) {
  return Seconds([&] {
    Run("python3 -c \"import zipfile; zipfile.ZipFile('" + archive + "').extractall('" + dest +
        "')\"");
  });
}

// The median of `times`.
double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// ext4 hands out no inode within the writeback interval (plus a few
// seconds) of its deletion, and reads every such inode as it searches for a
// free one: a run just after a tree was removed, by anyone, pays for that
// removal. A timed run that follows a removal waits until it is settled.
void SettleRemovals() {
  int centisecs = 3000;
  std::ifstream("/proc/sys/vm/dirty_expire_centisecs") >> centisecs;
  ::sync();
  std::this_thread::sleep_for(std::chrono::seconds(centisecs / 100 + 6));
}

// Zips `corpus` and times the three extractors, each into a fresh folder
// and then over the tree it left. A disk shared with other machines answers
// unevenly, so each figure is the median of `rounds` runs, each round into
// folders of its own, the extractors taking turns at going first.
void Compare(const std::string& name, const std::string& scratch, const std::string& corpus,
             int rounds) {
  std::string archive = scratch + "/" + name + ".zip";
  if (Run("cd '" + corpus + "' && zip -q -6 -r '" + archive + "' .") != 0) return;
  std::printf("%s: archive %.1f MB, median of %d runs\n", name.c_str(),
              static_cast<double>(fs::file_size(archive)) / (1 << 20), rounds);
  using Extractor = double (*)(const std::string&, const std::string&);
  const Extractor extractors[] = {Ours, Unzip, Python};
  const char* const trees[] = {"/ours", "/unzip", "/python"};
  bool removed = true;  // the trees of the case before
  for (const bool fresh : {true, false}) {
    std::vector<double> times[3];
    for (int round = 0; round < rounds; ++round) {
      for (int turn = 0; turn < 3; ++turn) {
        const int which = (round + turn) % 3;
        if (removed) SettleRemovals();
        // Each run starts with the disk written out: the data that the runs
        // before it left to the page cache must not be flushed in its time.
        ::sync();
        times[which].push_back(
            extractors[which](archive, scratch + trees[which] + std::to_string(round)));
        // Every file replaced is one removed.
        removed = !fresh;
      }
    }
    const double ours = Median(times[0]), unzip = Median(times[1]), python = Median(times[2]);
    std::printf("  %-5s ours %7.2f s  unzip %7.2f s  python %7.2f s  ours/unzip %.2f  ours/python %.2f\n",
                fresh ? "fresh" : "over", ours, unzip, python, ours / unzip, ours / python);
    std::fflush(stdout);
  }
  for (const char* tree : trees)
    for (int round = 0; round < rounds; ++round)
      fs::remove_all(scratch + tree + std::to_string(round));
  fs::remove(archive);
}

}  // namespace

int main(int argc, char** argv) {
  std::string scratch = argc > 1 ? argv[1] : (fs::temp_directory_path() / "zipbench").string();
  std::vector<std::string> cases(argv + std::min(argc, 2), argv + argc);
  const char* const roundsText = std::getenv("ZIP_BENCH_ROUNDS");
  const int rounds = roundsText != nullptr ? std::max(1, std::atoi(roundsText)) : 1;
  if (cases.empty()) cases = {"real", "many", "flat", "deep", "mixed"};
  for (const std::string& name : cases) {
    fs::remove_all(scratch);
    std::string corpus = scratch + "/corpus";
    fs::create_directories(corpus);
    if (name == "real") CopySystemFiles(corpus, int64_t{400} << 20);
    if (name == "many") SmallFiles(corpus, 70, 1000);
    if (name == "flat") SmallFiles(corpus, 1, 32000);
    if (name == "mixed") MakeCorpus(corpus, 300);
    if (name != "deep") {
      Compare(name, scratch, corpus, rounds);
      continue;
    }
    for (int depth : {250, 500, 1000, 2000}) {
      fs::remove_all(scratch);
      Deep(corpus, depth);
      std::string archive = scratch + "/deep.zip";
      Run("cd '" + corpus + "' && zip -q -r -D '" + archive + "' .");  // the file alone
      std::printf("deep %4d: ours %.3f s\n", depth, Ours(archive, scratch + "/ours"));
      std::fflush(stdout);
    }
  }
  fs::remove_all(scratch);
  return 0;
}

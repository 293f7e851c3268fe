// Extraction speed: the same deflated archive (a few hundred MB of mixed
// text and binary data) extracted by our reader, by Info-ZIP's unzip and by
// Python's zipfile, in one run, with the ratios of the times.
//
//   zip_extract_bench [megabytes] [scratch folder]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <string>

#include "bench/zip/ZipBenchSupport.h"
#include "zip/ZipReader.h"

namespace fs = std::filesystem;
using zipbench::MakeCorpus;
using zipbench::Run;
using zipbench::Seconds;

int main(int argc, char** argv) {
  int megabytes = argc > 1 ? std::atoi(argv[1]) : 300;
  std::string scratch = argc > 2 ? argv[2] : (fs::temp_directory_path() / "zipbench").string();
  fs::remove_all(scratch);
  std::string corpus = scratch + "/corpus";
  MakeCorpus(corpus, megabytes);
  std::string archive = scratch + "/corpus.zip";
  if (Run("cd " + corpus + " && zip -q -6 -r " + archive + " .") != 0) return 1;
  std::printf("corpus %d MB, archive %.1f MB\n", megabytes,
              static_cast<double>(fs::file_size(archive)) / (1 << 20));
  double ours = Seconds([&] {
    tv::zip::TZipReader reader;
    reader.SetZipName(archive);
    reader.SetDestDir(scratch + "/ours");
    reader.DoAll = true;
    reader.OverwriteMode = tv::zip::Always;
    reader.UnZip();
  });
  double unzip = Seconds([&] { Run("unzip -o -qq " + archive + " -d " + scratch + "/unzip"); });
  double python = Seconds([&] {
    Run("python3 -c \"import zipfile; zipfile.ZipFile('" + archive + "').extractall('" + scratch +
        "/python')\"");
  });
  std::printf("ours %.2f s, unzip %.2f s, python zipfile %.2f s\n", ours, unzip, python);
  std::printf("ours/unzip %.2f (aim <= 0.60), ours/python %.2f (aim <= 1.10)\n", ours / unzip,
              ours / python);
  fs::remove_all(scratch);
  return 0;
}

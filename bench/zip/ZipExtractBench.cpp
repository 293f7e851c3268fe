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

#include "zip/ZipReader.h"

namespace fs = std::filesystem;

namespace {

void MakeCorpus(const std::string& dir, int megabytes) {
  fs::create_directories(dir);
  std::mt19937_64 random(7);
  int64_t left = int64_t{megabytes} << 20;
  for (int n = 0; left > 0; ++n) {
    std::string data;
    int64_t size = std::min<int64_t>(left, (n % 3 == 0 ? 8 : 2) << 20);
    data.reserve(static_cast<size_t>(size));
    if (n % 4 == 3) {
      while (static_cast<int64_t>(data.size()) < size) {
        uint64_t v = random();
        data.append(reinterpret_cast<const char*>(&v), 8);
      }
    } else {
      while (static_cast<int64_t>(data.size()) < size)
        data += "row " + std::to_string(random() % 100000) + ";station " +
                std::to_string(random() % 40) + ";fuel AI-95;volume " +
                std::to_string(random() % 10000) + "." + std::to_string(random() % 100) + "\r\n";
    }
    data.resize(static_cast<size_t>(size));
    std::ofstream(dir + "/part" + std::to_string(n) + (n % 4 == 3 ? ".bin" : ".txt"),
                  std::ios::binary)
        << data;
    left -= size;
  }
}

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Run(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

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

// Compression speed and size: the same few hundred MB of mixed text and
// binary data zipped at level 6 by our writer, by Info-ZIP's zip and by
// Python's zipfile (zlib), in one run, with the ratios of times and sizes.
//
//   zip_write_bench [megabytes] [scratch folder]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <string>

#include "bench/zip/ZipBenchSupport.h"
#include "zip/ZipWriter.h"

namespace fs = std::filesystem;
using zipbench::MakeCorpus;
using zipbench::Run;
using zipbench::Seconds;

int main(int argc, char** argv) {
  int megabytes = argc > 1 ? std::atoi(argv[1]) : 300;
  std::string scratch = argc > 2 ? argv[2] : (fs::temp_directory_path() / "zipwbench").string();
  fs::remove_all(scratch);
  std::string corpus = scratch + "/corpus";
  MakeCorpus(corpus, megabytes);
  std::string ours = scratch + "/ours.zip";
  std::string info = scratch + "/info.zip";
  std::string py = scratch + "/py.zip";
  double ourTime = Seconds([&] {
    tv::zip::TZipWriter writer;
    writer.SetZipName(ours);
    writer.FilesList = {corpus + "/*.*"};
    writer.DoProcessMessages = false;
    writer.Zip();
  });
  double zipTime = Seconds([&] { Run("cd " + corpus + " && zip -q -6 -r " + info + " ."); });
  double pyTime = Seconds([&] {
    Run("cd " + corpus + " && python3 -c \"import zipfile,os\n"
        "with zipfile.ZipFile('" + py + "','w',zipfile.ZIP_DEFLATED,compresslevel=6) as z:\n"
        "  [z.write(f) for f in sorted(os.listdir('.'))]\n\"");
  });
  double ourSize = static_cast<double>(fs::file_size(ours));
  double zipSize = static_cast<double>(fs::file_size(info));
  double pySize = static_cast<double>(fs::file_size(py));
  std::printf("corpus %d MB\n", megabytes);
  std::printf("ours %.2f s %.1f MB, zip %.2f s %.1f MB, python zipfile %.2f s %.1f MB\n", ourTime,
              ourSize / (1 << 20), zipTime, zipSize / (1 << 20), pyTime, pySize / (1 << 20));
  std::printf("time ours/zip %.2f (aim <= 1.0), ours/python %.2f (aim <= 1.1)\n", ourTime / zipTime,
              ourTime / pyTime);
  std::printf("size ours/zip %.4f, ours/python %.4f (aim within 1%%)\n", ourSize / zipSize,
              ourSize / pySize);
  fs::remove_all(scratch);
  return 0;
}

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

#include "zip/ZipWriter.h"

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

#include "platform/ib/IBEnvironment.h"

#include <firebird/Interface.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>

#include "platform/os/Paths.h"
#include "platform/os/SignalKept.h"
#include "platform/ib/IBClient.h"
#include "platform/ib/IBError.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEmbeddedConf =
    "# Written by Tolvaren for the embedded engine: several processes may open\n"
    "# the same database file; \"host/port:path\" names still reach a server.\n"
    "ServerMode = SuperClassic\n"
    "Providers = Remote, Engine12\n";

// The installed Firebird (the folder that holds firebird.msg and intl/).
std::string SystemFirebirdFolder() {
  static const char* const kCandidates[] = {
#ifdef TOLVAREN_FIREBIRD_SYSTEM_DIR
      TOLVAREN_FIREBIRD_SYSTEM_DIR,
#endif
      "/usr/lib/x86_64-linux-gnu/firebird/3.0", "/usr/lib/aarch64-linux-gnu/firebird/3.0",
      "/usr/lib/firebird/3.0", "/opt/firebird"};
  std::error_code ec;
  for (const char* dir : kCandidates) {
    if (fs::exists(fs::path(dir) / "intl", ec) && fs::exists(fs::path(dir) / "firebird.msg", ec))
      return dir;
  }
  throw EIBClientError("Firebird installation not found (firebird.msg and intl/ in " +
                       std::string(kCandidates[0]) + ")");
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Replaces `target` by `bytes` unless it holds them already; through a
// temporary file so that a process reading it never sees half a file.
void WriteIfChanged(const fs::path& target, std::string_view bytes) {
  std::error_code ec;
  if (fs::exists(target, ec) && ReadAll(target) == bytes) return;
  fs::path tmp = target;
  tmp += ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw EIBClientError("Cannot write \"" + tmp.string() + "\"");
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    throw EIBClientError("Cannot write \"" + target.string() + "\"");
  }
}

void CopyIfChanged(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(to, ec) && fs::file_size(to, ec) == fs::file_size(from, ec) &&
      fs::last_write_time(to, ec) >= fs::last_write_time(from, ec))
    return;
  WriteIfChanged(to, ReadAll(from));
}

void LinkIfMissing(const fs::path& target, const fs::path& link) {
  std::error_code ec;
  if (fs::exists(link, ec) || !fs::exists(target, ec)) return;
  fs::remove(link, ec);  // a dangling link
  fs::create_symlink(target, link, ec);
  if (ec && !fs::exists(link)) throw EIBClientError("Cannot create \"" + link.string() + "\"");
}

std::once_flag gPrepared;

// Switches LC_CTYPE to a UTF-8 locale for the life of the object when the
// program's own is not one, and back.
class TUtf8CType {
 public:
  TUtf8CType() {
    const char* codeset = ::nl_langinfo(CODESET);
    if (codeset != nullptr && std::string_view(codeset) == "UTF-8") return;
    const char* current = ::setlocale(LC_CTYPE, nullptr);
    saved_ = current != nullptr ? current : "C";
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      if (::setlocale(LC_CTYPE, name) != nullptr) {
        switched_ = true;
        return;
      }
    }
  }
  ~TUtf8CType() {
    if (switched_) ::setlocale(LC_CTYPE, saved_.c_str());
  }
  TUtf8CType(const TUtf8CType&) = delete;
  TUtf8CType& operator=(const TUtf8CType&) = delete;

 private:
  std::string saved_;
  bool switched_ = false;
};

// The client library's first attach, made here once, before any real one:
// one attach to a file that does not exist. It settles two things of the
// client library's that are process-wide and set at its first attach.
// - Firebird converts file names from UTF-8 to the character set of the
//   locale in force when it first needs to, and keeps that converter. A
//   program that never set its locale runs in "C" (ASCII), and every path
//   with a Cyrillic letter would then fail with "Cannot transliterate
//   character between character sets". So the attach runs under a UTF-8
//   locale, after which the program's own locale is restored.
// - The client library takes SIGINT and SIGTERM for itself at its first
//   attach: its handlers wake a thread of its own that runs fb_shutdown,
//   which cuts every connection and unloads the engine while the request's
//   thread goes on using it. The library is a guest in its host's process,
//   so the host's dispositions of both signals (the default, ignored, or a
//   handler) are put back right after; the client installs its handlers
//   only once, so they stay the host's. It touches no other signal.
void PrimeClientLibrary(Firebird::IMaster* master) {
  const TSignalKept hostSigint(SIGINT);
  const TSignalKept hostSigterm(SIGTERM);
  const TUtf8CType utf8;
  Firebird::IStatus* raw = master->getStatus();
  Firebird::IProvider* provider = master->getDispatcher();
  Firebird::IXpbBuilder* dpb = nullptr;
  try {
    // Every step raises when it fails; the attach always does, as there is
    // no such file.
    ib_detail::IBRaisingStatusWrapper st(raw);
    dpb = master->getUtilInterface()->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0);
    dpb->insertTag(&st, isc_dpb_utf8_filename);
    dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
    const unsigned length = dpb->getBufferLength(&st);
    const unsigned char* bytes = dpb->getBuffer(&st);
    provider->attachDatabase(&st, "/nonexistent-tolvaren-folder/\xd1\x91.fdb", length, bytes)
        ->detach(&st);
  } catch (const EIBError&) {
  }
  if (dpb != nullptr) dpb->dispose();
  provider->release();
  raw->dispose();
}

}  // namespace

std::string_view EmbeddedFirebirdConf() { return kEmbeddedConf; }

void WriteFirebirdEngineFolder(const std::string& folder, std::string_view conf) {
  const fs::path system = SystemFirebirdFolder();
  const fs::path root = folder;
  std::error_code ec;
  fs::create_directories(root / "intl", ec);
  fs::create_directories(root / "lock", ec);
  if (!fs::is_directory(root / "lock", ec))
    throw EIBClientError("Cannot create the folder \"" + (root / "lock").string() + "\"");
  WriteIfChanged(root / "firebird.conf", conf);
  for (const auto& entry : fs::directory_iterator(system / "intl", ec)) {
    CopyIfChanged(entry.path(), root / "intl" / entry.path().filename());
  }
  LinkIfMissing(system / "firebird.msg", root / "firebird.msg");
  LinkIfMissing(system / "plugins", root / "plugins");
}

void PrepareFirebirdEnvironment() {
  std::call_once(gPrepared, [] {
    const char* preset = std::getenv("FIREBIRD");
    if (preset != nullptr && *preset != '\0') return;
    std::string folder = RootFolder() + "/firebird";
    WriteFirebirdEngineFolder(folder, kEmbeddedConf);
    // The engine loads its character-set modules only from the folder's
    // real path: a root reached through a symbolic link is named as it
    // really is.
    std::error_code ec;
    if (fs::path real = fs::canonical(folder, ec); !ec) folder = real.string();
    ::setenv("FIREBIRD_LOCK", (folder + "/lock").c_str(), 1);
    ::setenv("FIREBIRD", folder.c_str(), 1);
  });
}

std::string FirebirdEngineFolder() {
  PrepareFirebirdEnvironment();
  const char* value = std::getenv("FIREBIRD");
  return value != nullptr ? value : "";
}

Firebird::IMaster* FirebirdMaster() {
  PrepareFirebirdEnvironment();
  static Firebird::IMaster* const master = [] {
    Firebird::IMaster* m = Firebird::fb_get_master_interface();
    PrimeClientLibrary(m);
    return m;
  }();
  return master;
}

}  // namespace tv

#include "tests/support/FirebirdServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/ib/IBEnvironment.h"
#include "tests/support/TempRoot.h"

extern char** environ;

namespace tv::test {
namespace {

constexpr const char* kServerProgram = "/usr/sbin/firebird";

int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(s);
  return ntohs(a.sin_port);
}

bool Accepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

}  // namespace

std::string FirebirdServer::Unavailable() {
  if (::access(kServerProgram, X_OK) != 0)
    return std::string(kServerProgram) + " not installed (Debian package firebird3.0-server)";
  return {};
}

FirebirdServer::FirebirdServer() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "tolvaren-fbserver-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = tmpl;
  port_ = FreePort();
  const std::string security = folder_ + "/security.fdb";
  WriteFirebirdEngineFolder(folder_,
                            "ServerMode = Super\nRemoteBindAddress = 127.0.0.1\n"
                            "RemoteServicePort = " +
                                std::to_string(port_) + "\nSecurityDatabase = " + security + "\n");
  // The security database, made and given its SYSDBA through the embedded
  // engine of the server's own folder.
  const std::string env = "FIREBIRD='" + folder_ + "' FIREBIRD_LOCK='" + folder_ + "/lock' ";
  int rc = -1;
  const std::string out = RunCommand(
      "echo \"CREATE DATABASE '" + security + "' USER 'SYSDBA'; CREATE USER SYSDBA PASSWORD '" +
          password_ + "' USING PLUGIN Srp; COMMIT;\" | " + env + "isql-fb -q -b 2>&1",
      &rc);
  if (rc != 0) {
    ADD_FAILURE() << "security database: " << out;
    return;
  }
  std::vector<std::string> vars = {"FIREBIRD=" + folder_, "FIREBIRD_LOCK=" + folder_ + "/lock",
                                   "PATH=/usr/sbin:/usr/bin:/bin"};
  std::vector<char*> envp;
  for (auto& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(kServerProgram), nullptr};
  if (::posix_spawn(&pid_, kServerProgram, nullptr, nullptr, argv, envp.data()) != 0) {
    pid_ = -1;
    ADD_FAILURE() << "cannot start " << kServerProgram;
    return;
  }
  for (int i = 0; i < 100 && !Accepts(port_); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!Accepts(port_)) ADD_FAILURE() << "the server does not listen on port " << port_;
}

void FirebirdServer::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

FirebirdServer::~FirebirdServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Kill();
  }
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

}  // namespace tv::test

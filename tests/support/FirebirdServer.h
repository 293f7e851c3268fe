#pragma once
// A Firebird server of its own for one test: its own engine folder, security
// database with a SYSDBA password of the test's choosing, a free loopback
// port; started with posix_spawn and killed when the object goes.

#include <sys/types.h>

#include <string>

namespace tv::test {

class FirebirdServer {
 public:
  // Empty when the server program is installed (firebird3.0-server), else
  // the reason the tests skip.
  static std::string Unavailable();

  FirebirdServer();  // starts it; fails the test when it does not come up
  ~FirebirdServer();
  FirebirdServer(const FirebirdServer&) = delete;
  FirebirdServer& operator=(const FirebirdServer&) = delete;

  int Port() const { return port_; }
  const std::string& Password() const { return password_; }
  bool Running() const { return pid_ > 0; }
  // Kills the server at once (SIGKILL), as a crash or a lost network would.
  void Kill();

 private:
  std::string folder_;
  std::string password_ = "Tv-secret7";
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace tv::test

#pragma once
// Signal dispositions are the host's: what the library changes for a while
// (or lets a library of its own change) goes back as it was.

#include <signal.h>

namespace tv {

// Notes a signal's disposition (handler, flags and mask) and puts it back
// when the object goes. `Ignore` ignores the signal meanwhile.
class TSignalKept {
 public:
  explicit TSignalKept(int signal) : signal_(signal) {
    noted_ = ::sigaction(signal_, nullptr, &saved_) == 0;
  }
  ~TSignalKept() {
    if (noted_) ::sigaction(signal_, &saved_, nullptr);
  }
  TSignalKept(const TSignalKept&) = delete;
  TSignalKept& operator=(const TSignalKept&) = delete;

  void Ignore() const {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    if (noted_) ::sigaction(signal_, &ignore, nullptr);
  }

 private:
  int signal_;
  struct sigaction saved_ {};
  bool noted_ = false;
};

}  // namespace tv

#pragma once
// Machine-wide named mutexes with the Windows semantics: not owned when
// created, owned per thread and re-entrant for the owning thread (each Wait
// matched by one Release), waits with a time-out, and "abandoned" when the
// owner ended (process died or thread exited) without releasing: the next
// waiter then gets the mutex with the result Abandoned.
//
// A name may start with "Global\" or "Local\"; both name the one namespace
// of the machine (all processes that share the root folder). Handles of one
// name in one process share one mutex object, as on Windows.
//
// Underneath: an flock() on a lock file per name (LockFile.h) held while a
// thread of this process owns the mutex, an in-process owner and count, and
// an owner mark in the lock file that a crashed owner leaves behind.

#include <cstdint>
#include <memory>
#include <string>

namespace tv {

namespace named_mutex_detail {
struct State;
}

class NamedMutex {
 public:
  enum WaitResult { Signaled, Abandoned, Timeout, Failed };
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;

  // Creates the mutex or opens the existing one. `lastError` receives 183
  // (ERROR_ALREADY_EXISTS) when some handle to it was already open, else 0.
  // Throws EOSError when the lock files cannot be made (empty name: 123).
  static std::unique_ptr<NamedMutex> Create(const std::string& name, int* lastError = nullptr);
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Waits until the calling thread owns the mutex. Signaled and Abandoned
  // both mean "owned now"; Timeout and Failed mean it is not.
  WaitResult Wait(uint32_t timeoutMs = kInfinite);
  // False (last error 288) when the calling thread does not own it.
  bool Release();

  // The name without its namespace prefix.
  const std::string& Name() const { return name_; }

 private:
  NamedMutex(std::string name, std::shared_ptr<named_mutex_detail::State> state, int refFd);

  std::string name_;
  std::shared_ptr<named_mutex_detail::State> state_;
  int refFd_;  // shared flock on the presence file while this handle lives
};

// Holds a named mutex for one scope. A wait that does not end with the
// mutex signalled raises the last OS error (258 for a time-out); an abandoned
// mutex is released first, so a process that died holding it stops no one
// else, and only this one call fails.
class NamedMutexHold {
 public:
  NamedMutexHold(NamedMutex& mutex, uint32_t timeoutMs);
  ~NamedMutexHold() { mutex_.Release(); }
  NamedMutexHold(const NamedMutexHold&) = delete;
  NamedMutexHold& operator=(const NamedMutexHold&) = delete;

 private:
  NamedMutex& mutex_;
};

// The name with a leading "Global\" or "Local\" removed.
std::string StripNamespacePrefix(const std::string& name);

}  // namespace tv

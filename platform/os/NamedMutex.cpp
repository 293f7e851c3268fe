#include "platform/os/NamedMutex.h"

#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "platform/os/LockFile.h"
#include "platform/os/OsError.h"
#include "platform/os/SysInfo.h"

namespace tv {
namespace named_mutex_detail {

// The mutex object of one name in this process.
struct State {
  std::string lockPath;
  pid_t pid = 0;
  int fd = -1;  // the lock file; flocked while a thread of ours owns the mutex
  std::mutex m;
  std::condition_variable cv;
  uint32_t owner = 0;  // thread id, 0 = none in this process
  int count = 0;
  bool claiming = false;  // a thread of ours is taking the file lock

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  // The last handle of the name in this process is gone: so is the lock file.
  ~State() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace named_mutex_detail

namespace {

using named_mutex_detail::State;
using Clock = std::chrono::steady_clock;

std::mutex gRegistryLock;
std::map<std::string, std::weak_ptr<State>>& Registry() {
  static auto* registry = new std::map<std::string, std::weak_ptr<State>>();
  return *registry;
}

// A forked child must not use its parent's descriptor: flock would treat
// parent and child as one owner.
void EnsureCurrentProcess(State& s) {
  pid_t pid = ::getpid();
  if (s.pid == pid && s.fd >= 0) return;
  if (s.fd >= 0) ::close(s.fd);
  s.fd = OpenLockFile(s.lockPath);
  s.pid = pid;
  s.owner = 0;
  s.count = 0;
  s.claiming = false;
}

// Mutexes owned by this thread; a thread that ends while owning one
// abandons it: the file lock goes, the owner mark stays.
// Set once this thread's list is gone (thread or process teardown): later
// waits on the thread, from other objects' destructors, are not tracked.
thread_local bool tOwnedGone = false;

struct OwnedByThread {
  std::vector<std::shared_ptr<State>> states;
  ~OwnedByThread() {
    tOwnedGone = true;
    uint32_t me = GetCurrentThreadId();
    for (auto& s : states) {
      std::lock_guard<std::mutex> lock(s->m);
      if (s->owner != me || s->pid != ::getpid()) continue;
      s->owner = 0;
      s->count = 0;
      ::flock(s->fd, LOCK_UN);
      s->cv.notify_all();
    }
  }
};
thread_local OwnedByThread tOwned;

void Forget(const std::shared_ptr<State>& s) {
  if (tOwnedGone) return;
  auto& v = tOwned.states;
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (*it == s) {
      v.erase(it);
      return;
    }
  }
}

// Takes the file lock until the deadline; reads and sets the owner mark.
NamedMutex::WaitResult LockFile(int fd, uint32_t timeoutMs, Clock::time_point deadline) {
  if (timeoutMs == NamedMutex::kInfinite) {
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        SetLastErrorFromErrno(errno);
        return NamedMutex::Failed;
      }
    }
  } else {
    int pause = 1;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        SetLastErrorFromErrno(errno);
        return NamedMutex::Failed;
      }
      if (Clock::now() >= deadline) return NamedMutex::Timeout;
      Sleep(static_cast<uint32_t>(pause));
      pause = pause < 8 ? pause * 2 : 8;
    }
  }
  uint32_t mark = 0;
  bool abandoned = ::pread(fd, &mark, sizeof mark, 0) == sizeof mark && mark != 0;
  mark = GetCurrentProcessId();
  if (::pwrite(fd, &mark, sizeof mark, 0) != sizeof mark) {
    SetLastErrorFromErrno(errno);
    ::flock(fd, LOCK_UN);
    return NamedMutex::Failed;
  }
  return abandoned ? NamedMutex::Abandoned : NamedMutex::Signaled;
}

}  // namespace

std::string StripNamespacePrefix(const std::string& name) {
  for (const char* prefix : {"Global\\", "Local\\"}) {
    std::string p = prefix;
    if (name.compare(0, p.size(), p) == 0) return name.substr(p.size());
  }
  return name;
}

NamedMutex::NamedMutex(std::string name, std::shared_ptr<State> state, int refFd)
    : name_(std::move(name)), state_(std::move(state)), refFd_(refFd) {}

NamedMutex::~NamedMutex() {
  if (refFd_ >= 0) ::close(refFd_);
}

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& fullName, int* lastError) {
  std::string name = StripNamespacePrefix(fullName);
  if (name.empty()) {
    SetLastError(kErrorInvalidName);
    RaiseLastOSError();
  }
  std::string lockPath = LockFilePath("mutex", name);
  // Whether another handle is open: every handle keeps a shared flock on the
  // presence file; an exclusive try succeeds only when there is none. The
  // guard keeps two creators from both seeing "new".
  FileLock guard(LockFilePath("mutex-guard", name));
  int refFd = OpenLockFile(LockFilePath("mutex-ref", name));
  if (refFd < 0) RaiseLastOSError();
  bool existed = ::flock(refFd, LOCK_EX | LOCK_NB) != 0;
  ::flock(refFd, LOCK_SH);

  std::shared_ptr<State> state;
  {
    std::lock_guard<std::mutex> lock(gRegistryLock);
    auto& registry = Registry();
    // Names whose handles are all closed leave no entry behind.
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<State>& slot = registry[lockPath];
    state = slot.lock();
    if (!state) {
      state = std::make_shared<State>();
      state->lockPath = lockPath;
      slot = state;
    }
  }
  {
    std::lock_guard<std::mutex> lock(state->m);
    EnsureCurrentProcess(*state);
    if (state->fd < 0) {
      int err = GetLastError();
      ::close(refFd);
      RaiseLastOSError(err);
    }
  }
  int code = existed ? kErrorAlreadyExists : kErrorSuccess;
  SetLastError(code);
  if (lastError != nullptr) *lastError = code;
  return std::unique_ptr<NamedMutex>(new NamedMutex(name, state, refFd));
}

NamedMutex::WaitResult NamedMutex::Wait(uint32_t timeoutMs) {
  State& s = *state_;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  uint32_t me = GetCurrentThreadId();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureCurrentProcess(s);
  if (s.fd < 0) return Failed;
  if (s.owner == me) {
    ++s.count;
    return Signaled;
  }
  auto free = [&] { return s.owner == 0 && !s.claiming; };
  if (timeoutMs == kInfinite) {
    s.cv.wait(lock, free);
  } else if (!s.cv.wait_until(lock, deadline, free)) {
    return Timeout;
  }
  s.claiming = true;
  lock.unlock();
  WaitResult result = LockFile(s.fd, timeoutMs, deadline);
  lock.lock();
  s.claiming = false;
  if (result == Signaled || result == Abandoned) {
    s.owner = me;
    s.count = 1;
    if (!tOwnedGone) tOwned.states.push_back(state_);
  } else {
    s.cv.notify_all();
  }
  return result;
}

bool NamedMutex::Release() {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.m);
  if (s.pid != ::getpid() || s.owner != GetCurrentThreadId()) {
    SetLastError(kErrorNotOwner);
    return false;
  }
  if (--s.count > 0) return true;
  uint32_t mark = 0;
  ::pwrite(s.fd, &mark, sizeof mark, 0);
  ::flock(s.fd, LOCK_UN);
  s.owner = 0;
  Forget(state_);
  s.cv.notify_all();
  return true;
}

NamedMutexHold::NamedMutexHold(NamedMutex& mutex, uint32_t timeoutMs) : mutex_(mutex) {
  const NamedMutex::WaitResult result = mutex_.Wait(timeoutMs);
  if (result == NamedMutex::Signaled) return;
  constexpr int kWaitTimeout = 258;
  const int code = result == NamedMutex::Failed ? GetLastError() : kWaitTimeout;
  if (result == NamedMutex::Abandoned) mutex_.Release();
  RaiseLastOSError(code);
}

}  // namespace tv

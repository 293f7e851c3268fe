#pragma once
// Named shared memory with the lifetime of a Windows file mapping: it lives
// while some handle (in any process) keeps it open; after the last holder
// lets go, the next Create makes a new, zero-filled block.
//
// Names are those of NamedMutex ("Global\" or "Local\" prefix ignored).
// Underneath: POSIX shm_open/mmap, plus a presence lock file on which every
// holder keeps a shared flock, so a crashed holder counts as gone.

#include <cstddef>
#include <memory>
#include <string>

namespace tv {

class SharedMemory {
 public:
  // Creates or opens the block of `name` and maps `size` bytes of it.
  // `lastError` receives 183 (ERROR_ALREADY_EXISTS) when the block was held
  // by someone already, else 0. Throws EOSError on failure (size 0: 87).
  static std::unique_ptr<SharedMemory> Create(const std::string& name, size_t size,
                                              int* lastError = nullptr);
  ~SharedMemory();
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  void* Data() { return data_; }
  size_t Size() const { return size_; }

 private:
  SharedMemory(std::string name, void* data, size_t size, int refFd);

  std::string name_;  // without the namespace prefix
  void* data_;
  size_t size_;
  int refFd_;
};

}  // namespace tv

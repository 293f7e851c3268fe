#pragma once
// Cross-process locks on lock files: one lock folder under the root holds a
// file per lock name, and a lock is an flock() on it. Named mutexes, shared
// memory and the writers of INI files and the registry store meet here.
//
// flock() belongs to the open file description, so two threads of one
// process that each open the lock file exclude each other, while a forked
// child that inherits an open descriptor shares its parent's lock.

#include <string>
#include <string_view>

namespace tv {

// Native path of the lock folder ("<root>/.locks"), created on first use.
std::string LockFolder();

// Native path of the lock file of `name` in the lock folder. `kind` is a
// short tag that keeps namespaces apart ("mutex", "shm", "file"); the name
// is encoded so that any bytes are allowed, and long names are hashed.
std::string LockFilePath(std::string_view kind, std::string_view name);

// 64-bit FNV-1a hash, used for lock names of long texts.
uint64_t Fnv1a64(std::string_view bytes);

// Opens (creating, mode 0666) a lock file; returns the descriptor or -1 with
// the last error set.
int OpenLockFile(const std::string& path);

// Holds an exclusive flock on a lock file for the lifetime of the object.
// Throws EOSError when the lock file cannot be opened.
class FileLock {
 public:
  explicit FileLock(const std::string& lockPath);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace tv

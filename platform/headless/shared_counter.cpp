#include "platform/shared_counter.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

namespace varnok::platform {
namespace {

constexpr off_t kCounterSize = sizeof(std::int32_t);

// Every holder keeps a read lock on this byte of the object. Whoever can lock
// it for writing is alone: the object is new, or its earlier holders died
// without counting down, and the count starts again from 0.
// Open-file-description locks: one per open, so two holders in one process
// still see each other, and turning a write lock into a read lock is atomic
// (flock's conversion is not, and would let a newcomer think it is alone).
constexpr off_t kHolderByte = 0;

bool LockHolderByte(int fd, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kHolderByte;
  lock.l_len = 1;
  int result;
  do {
    result = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
  } while (result == -1 && errno == EINTR);
  return result == 0;
}

// Fills the object with zeros, whatever an abandoned count left in it.
bool ResetToZero(int fd) { return ftruncate(fd, 0) == 0 && ftruncate(fd, kCounterSize) == 0; }

// /dev/shm/varnok-shared.NAME: a counter is reset when nobody holds it, which
// must never befall an object of another program's.
bool ObjectPath(const char* name, char (&path)[256]) {
  const int length = std::snprintf(path, sizeof path, "/varnok-shared.%s", name);
  return length >= 0 && length < static_cast<int>(sizeof path);
}

}  // namespace

bool OpenOrCreateSharedCounter(const char* name, SharedMapping& mapping, bool& created) noexcept {
  mapping = kNoSharedMapping;
  created = false;
  char path[256];
  if (!ObjectPath(name, path)) return false;

  const int fd = shm_open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (LockHolderByte(fd, F_WRLCK, false)) {
    if (!ResetToZero(fd) || !LockHolderByte(fd, F_RDLCK, false)) {
      close(fd);
      return false;
    }
    created = true;
  } else if (!LockHolderByte(fd, F_RDLCK, true)) {  // waits while a creator resets it
    close(fd);
    return false;
  }
  mapping = fd;
  return true;
}

std::int32_t* MapSharedCounter(SharedMapping mapping) noexcept {
  void* view = mmap(nullptr, kCounterSize, PROT_READ | PROT_WRITE, MAP_SHARED,
                    static_cast<int>(mapping), 0);
  return view == MAP_FAILED ? nullptr : static_cast<std::int32_t*>(view);
}

void UnmapSharedCounter(std::int32_t* counter) noexcept { munmap(counter, kCounterSize); }

void CloseSharedCounter(SharedMapping mapping) noexcept { close(static_cast<int>(mapping)); }

void RemoveSharedCounter(const char* name) noexcept {
  char path[256];
  if (ObjectPath(name, path)) shm_unlink(path);
}

std::int32_t IncrementSharedCounter(std::int32_t* counter) noexcept {
  return __atomic_add_fetch(counter, 1, __ATOMIC_SEQ_CST);
}

std::int32_t DecrementSharedCounter(std::int32_t* counter) noexcept {
  return __atomic_sub_fetch(counter, 1, __ATOMIC_SEQ_CST);
}

std::int32_t ReadSharedCounter(const std::int32_t* counter) noexcept {
  return __atomic_load_n(counter, __ATOMIC_SEQ_CST);
}

}  // namespace varnok::platform

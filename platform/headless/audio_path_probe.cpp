// Replaces the malloc family and pthread_mutex_lock in the executable. A plug-in
// loaded later binds these names to the executable's definitions first, so its
// heap and lock calls (operator new included, which calls malloc) pass through
// here. Sanitizers intercept the same functions, so their builds go without.
#include "platform/audio_path_probe.h"

#include <unistd.h>  // defines __GLIBC__ where glibc is the C library

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define VARNOK_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VARNOK_SANITIZED 1
#endif

#if defined(VARNOK_SANITIZED) || !defined(__GLIBC__)

namespace varnok::platform {

bool AudioPathProbeAvailable() { return false; }
void ArmAudioPathProbe() {}
AudioPathCounts DisarmAudioPathProbe() { return {}; }

}  // namespace varnok::platform

#else

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace varnok::platform {
namespace {

// Counted from inside malloc and pthread_mutex_lock, so lock-free. Relaxed: a
// count is read only after the probed call has returned on the probing
// thread; nothing else is published through them.
// Only the arming thread counts: a host's other threads (its user interface,
// an audio server's own) may allocate while the audio path runs. Initial-exec
// TLS, because a dynamic lookup could itself allocate.
__attribute__((tls_model("initial-exec"))) thread_local bool armed = false;
std::atomic<unsigned long> heap_operations{0};
std::atomic<unsigned long> locks{0};
static_assert(std::atomic<unsigned long>::is_always_lock_free);

inline void CountHeap() {
  if (armed) heap_operations.fetch_add(1, std::memory_order_relaxed);
}

using LockFunction = int (*)(pthread_mutex_t*);

LockFunction NextLock(const char* name) {
  return reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, name));
}

// Resolved on first use: a lock may be taken before this file's initializers run.
// Release and acquire, so that a thread that sees the pointer may call it.
std::atomic<LockFunction> next_mutex_lock{nullptr};
std::atomic<LockFunction> next_mutex_trylock{nullptr};

LockFunction Next(std::atomic<LockFunction>& next, const char* name) {
  LockFunction function = next.load(std::memory_order_acquire);
  if (function == nullptr) {
    function = NextLock(name);
    next.store(function, std::memory_order_release);
  }
  return function;
}

}  // namespace

bool AudioPathProbeAvailable() {
  return Next(next_mutex_lock, "pthread_mutex_lock") != nullptr &&
         Next(next_mutex_trylock, "pthread_mutex_trylock") != nullptr;
}

void ArmAudioPathProbe() {
  heap_operations.store(0, std::memory_order_relaxed);
  locks.store(0, std::memory_order_relaxed);
  armed = true;
}

AudioPathCounts DisarmAudioPathProbe() {
  armed = false;
  return {heap_operations.load(std::memory_order_relaxed), locks.load(std::memory_order_relaxed)};
}

}  // namespace varnok::platform

namespace probe = varnok::platform;

#define VARNOK_INTERPOSED extern "C" __attribute__((visibility("default")))

VARNOK_INTERPOSED void* malloc(std::size_t size) {
  probe::CountHeap();
  return __libc_malloc(size);
}

VARNOK_INTERPOSED void* calloc(std::size_t count, std::size_t size) {
  probe::CountHeap();
  return __libc_calloc(count, size);
}

VARNOK_INTERPOSED void* realloc(void* pointer, std::size_t size) {
  probe::CountHeap();
  return __libc_realloc(pointer, size);
}

VARNOK_INTERPOSED void free(void* pointer) {
  if (pointer != nullptr) probe::CountHeap();
  __libc_free(pointer);
}

VARNOK_INTERPOSED void* memalign(std::size_t alignment, std::size_t size) {
  probe::CountHeap();
  return __libc_memalign(alignment, size);
}

VARNOK_INTERPOSED void* aligned_alloc(std::size_t alignment, std::size_t size) {
  probe::CountHeap();
  return __libc_memalign(alignment, size);
}

VARNOK_INTERPOSED int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  probe::CountHeap();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
  void* pointer = __libc_memalign(alignment, size);
  if (pointer == nullptr) return 12;  // ENOMEM
  *result = pointer;
  return 0;
}

VARNOK_INTERPOSED int pthread_mutex_lock(pthread_mutex_t* mutex) {
  if (probe::armed) {
    probe::locks.fetch_add(1, std::memory_order_relaxed);
  }
  return probe::Next(probe::next_mutex_lock, "pthread_mutex_lock")(mutex);
}

VARNOK_INTERPOSED int pthread_mutex_trylock(pthread_mutex_t* mutex) {
  if (probe::armed) {
    probe::locks.fetch_add(1, std::memory_order_relaxed);
  }
  return probe::Next(probe::next_mutex_trylock, "pthread_mutex_trylock")(mutex);
}

#endif

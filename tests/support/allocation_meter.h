#pragma once
// Counts the bytes the whole process holds on the heap, the C libraries'
// own malloc calls included, so a test can bound what a piece of code costs
// at its peak.
//
// Include this header in exactly one source file of a test program: in a
// plain build it replaces the program's malloc family (forwarding to glibc's),
// and under AddressSanitizer, which owns malloc itself, it installs the
// sanitizer's allocation hooks instead.

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_METER_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_METER_HOOKS 1
#endif
#endif

#if !defined(QUORVEL_METER_HOOKS)
#include <malloc.h>
#endif

namespace allocation_meter {

inline std::atomic<std::size_t> heldBytes{0};
inline std::atomic<std::size_t> peakBytes{0};

inline void noteAllocated(std::size_t size) {
  const std::size_t held = heldBytes += size;
  std::size_t peak = peakBytes.load(std::memory_order_relaxed);
  while (held > peak && !peakBytes.compare_exchange_weak(peak, held, std::memory_order_relaxed)) {
  }
}
inline void noteReleased(std::size_t size) { heldBytes -= size; }

struct Usage {
  std::size_t peak;       // most bytes held at once above what was held before
  std::ptrdiff_t kept;    // bytes still held afterwards that were not before
};

}  // namespace allocation_meter

#if defined(QUORVEL_METER_HOOKS)

extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                              void (*free_hook)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
}

namespace allocation_meter {
inline void onMalloc(const volatile void*, std::size_t size) { noteAllocated(size); }
// Called before the block is freed, so its size can still be asked.
inline void onFree(const volatile void* p) {
  if (p != nullptr) noteReleased(__sanitizer_get_allocated_size(p));
}
inline const bool counting = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
}  // namespace allocation_meter

#else

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
void __libc_free(void* p);
}

namespace allocation_meter {
inline const bool counting = true;
inline void* counted(void* p) {
  if (p != nullptr) noteAllocated(malloc_usable_size(p));
  return p;
}
}  // namespace allocation_meter

// Every entry point that hands out a block glibc's free takes back, so each
// block is counted in as it is counted out.
extern "C" {
void* malloc(std::size_t size) noexcept { return allocation_meter::counted(__libc_malloc(size)); }
void* calloc(std::size_t count, std::size_t size) noexcept {
  return allocation_meter::counted(__libc_calloc(count, size));
}
void* realloc(void* p, std::size_t size) noexcept {
  const std::size_t old = p != nullptr ? malloc_usable_size(p) : 0;
  void* q = __libc_realloc(p, size);
  if (q == nullptr && size != 0) return nullptr;  // p is untouched
  allocation_meter::noteReleased(old);
  return allocation_meter::counted(q);
}
void free(void* p) noexcept {
  if (p != nullptr) allocation_meter::noteReleased(malloc_usable_size(p));
  __libc_free(p);
}
void* memalign(std::size_t alignment, std::size_t size) noexcept {
  return allocation_meter::counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  return allocation_meter::counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = allocation_meter::counted(__libc_memalign(alignment, size));
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
void* valloc(std::size_t size) noexcept { return allocation_meter::counted(__libc_valloc(size)); }
void* pvalloc(std::size_t size) noexcept { return allocation_meter::counted(__libc_pvalloc(size)); }
}

#endif

namespace allocation_meter {

// What running `code` costs on the heap.
template <typename Code>
Usage measure(Code&& code) {
  if (!counting) std::abort();  // the sanitizer refused the hooks
  const std::size_t before = heldBytes.load();
  peakBytes = before;
  std::forward<Code>(code)();
  const std::size_t after = heldBytes.load();
  return {peakBytes.load() - before, static_cast<std::ptrdiff_t>(after) - static_cast<std::ptrdiff_t>(before)};
}

}  // namespace allocation_meter

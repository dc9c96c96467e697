#include "tests/heap_counter.h"

#include <cstddef>
#include <new>

namespace {
bool counting;
long newCalls, ownMallocCalls, allMallocCalls;
}  // namespace

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);

void* malloc(size_t n) {
  if (counting) ++allMallocCalls;
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  if (counting) ++allMallocCalls;
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  if (counting) ++allMallocCalls;
  return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }

// What our objects' calls reach under --wrap; __real_malloc is the process-wide malloc above.
void* __wrap_malloc(size_t n) {
  if (counting) ++ownMallocCalls;
  return __real_malloc(n);
}
void* __wrap_calloc(size_t n, size_t size) {
  if (counting) ++ownMallocCalls;
  return __real_calloc(n, size);
}
void* __wrap_realloc(void* p, size_t n) {
  if (counting) ++ownMallocCalls;
  return __real_realloc(p, n);
}
}

namespace {
void* counted(size_t n) {
  if (counting) ++newCalls;
  return __libc_malloc(n ? n : 1);
}
}  // namespace

void* operator new(size_t n) {
  void* p = counted(n);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }

namespace heapcount {

void start() {
  newCalls = ownMallocCalls = allMallocCalls = 0;
  counting = true;
}

Counts stop() {
  counting = false;
  return {newCalls, ownMallocCalls, allMallocCalls};
}

}  // namespace heapcount

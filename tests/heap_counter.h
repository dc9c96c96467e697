#pragma once
// Counts heap allocations while a function runs. Three counts: every global operator new of the
// process (replaced), every malloc, calloc and realloc called from our own objects (the link wraps
// those names in the executable's own objects; a call made inside the C library is not ours), and
// every malloc-family call of the whole process, the C library's included (malloc is replaced).
// The wrapping does not reach calls inside heap_counter.cpp itself, so tests call from elsewhere.

namespace heapcount {

struct Counts {
  long news;  // operator new, any caller
  long own;   // malloc, calloc, realloc from our objects
  long all;   // malloc, calloc, realloc from anywhere, the C library's own included
};

void start();
Counts stop();

template <typename F>
Counts during(F f) {
  start();
  f();
  return stop();
}

}  // namespace heapcount

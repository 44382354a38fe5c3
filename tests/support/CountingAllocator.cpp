// Counts every allocation of the program; a file of its own, so no caller inlines it.
#include <atomic>
#include <cstdlib>
#include <new>

std::atomic<long> gAllocations{0};

void* operator new(std::size_t n)
{
  ++gAllocations;
  if (void* p = std::malloc(n ? n : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

// Counts every allocation of the program, C's as well as C++'s: the loader makes a loaded
// module's thread-local block with malloc. A file of its own, so no caller inlines it.
#include <atomic>
#include <cstddef>
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

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MG_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MG_SANITIZER_ALLOCATOR 1
#endif
#endif

#ifdef MG_SANITIZER_ALLOCATOR
// The sanitizer's allocator serves malloc; it reports each allocation to a hook.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                          void (*)(const volatile void*));
namespace {
void onMalloc(const volatile void*, std::size_t) { ++gAllocations; }
void onFree(const volatile void*) {}
const int gHooked = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
} // namespace
#else
// glibc's own entry points; its free takes what they return.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);

void* malloc(std::size_t n) noexcept
{
  ++gAllocations;
  return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) noexcept
{
  ++gAllocations;
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) noexcept
{
  ++gAllocations;
  return __libc_realloc(p, n);
}
}
#endif

// Linked into the program in sanitizer builds only.
//
// The leak checker of this toolchain misreads the dynamic thread-local blocks of the
// libraries a plug-in brings (glibc hands them out differently from what it expects) and
// crashes at exit while scanning them. It is told not to track them; ASAN_OPTIONS still
// overrides this.
extern "C" __attribute__((used, visibility("default"))) const char* __asan_default_options()
{
  return "intercept_tls_get_addr=0";
}

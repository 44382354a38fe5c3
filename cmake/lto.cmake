# Link-time optimisation for the modules we ship. A processing call passes through the
# binding, the frame, its timeline and the effect, each in files of their own: only at link
# time can they be inlined into one another, which cuts the call's own cost by about a
# fifth. Sanitizer and fuzzing builds go without.
#   GCC: the libraries on that path keep ordinary object code beside, so the tests and
#        tools that link them are built as before.
#   clang (the release build): ThinLTO, which needs a linker that reads LLVM bitcode in
#        archives, so only with lld (-fuse-ld=lld); everything linking those libraries is
#        optimised at link time too, as clang has no objects of both kinds.
option(MG_LINK_TIME_OPTIMIZATION "Optimise the shipped modules at link time (GCC, or clang with lld)" ON)
set(MG_LTO OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   OR (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CMAKE_SHARED_LINKER_FLAGS MATCHES "-fuse-ld=lld"))
  set(_lto_compiler ON)
endif()
if(MG_LINK_TIME_OPTIMIZATION AND _lto_compiler AND NOT MG_SANITIZE AND NOT MG_SANITIZE_THREAD AND NOT MG_BUILD_FUZZ)
  include(CheckIPOSupported)
  check_ipo_supported(RESULT MG_LTO LANGUAGES CXX)
endif()
# The release toolchain asks for it: a package built without would run slower, unnoticed.
if(MG_REQUIRE_LTO AND MG_LINK_TIME_OPTIMIZATION AND NOT MG_LTO)
  message(FATAL_ERROR "This build's modules must be optimised at link time, which needs GCC, or clang with lld and llvm-ar (Debian: lld, llvm)")
endif()

# A library whose code runs in every processing call.
function(mg_lto_library target)
  if(MG_LTO AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -flto=auto -ffat-lto-objects)
  elseif(MG_LTO)
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
endfunction()

# A module a host loads: linked with the libraries above optimised as one. clang's generic
# schedule left the four-stage loop of the signal path 3 % slower than GCC's; scheduling
# again after register allocation brings it level (bench/compare_modules).
function(mg_lto_module target)
  if(MG_LTO)
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
  if(MG_LTO AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_link_options(${target} PRIVATE -Wl,-mllvm,-post-RA-scheduler)
  endif()
endfunction()

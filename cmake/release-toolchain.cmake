# The release build: clang against a Debian 11 sysroot (MG_SYSROOT, made by
# tools/build-release.sh), so the binaries need nothing newer than its glibc 2.31, and the
# C++ runtime linked in (its symbols stay inside: each module's version script exports its
# entry points alone), optimised at link time with lld. Not a cross build: the build runs
# what it builds (the LV2 Turtle).
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
# try_compile projects read this file again: hand them the sysroot. Whole test projects (the
# check for link-time optimisation) get no variables, but the environment.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MG_SYSROOT)
if(MG_SYSROOT)
  set(ENV{MG_SYSROOT} "${MG_SYSROOT}")
else()
  set(MG_SYSROOT "$ENV{MG_SYSROOT}")
endif()
if(NOT MG_SYSROOT)
  message(FATAL_ERROR "Set MG_SYSROOT to the Debian 11 sysroot")
endif()
set(CMAKE_SYSROOT ${MG_SYSROOT})
set(CMAKE_C_COMPILER_TARGET x86_64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET x86_64-linux-gnu)
set(CMAKE_C_FLAGS_INIT "--gcc-toolchain=${MG_SYSROOT}/usr")
set(CMAKE_CXX_FLAGS_INIT "--gcc-toolchain=${MG_SYSROOT}/usr")
# lld, so that the shipped modules are optimised at link time as the development build's
# are (cmake/lto.cmake: ThinLTO), or the build fails.
set(MG_REQUIRE_LTO ON)
set(_runtime "--gcc-toolchain=${MG_SYSROOT}/usr -fuse-ld=lld -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL -Wl,--as-needed -Wl,--gc-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_runtime}")
# glibc 2.31 keeps the thread and dlopen functions apart from libc (later ones merged them);
# --as-needed drops each where nothing uses it.
set(CMAKE_CXX_STANDARD_LIBRARIES_INIT "-lpthread -ldl")
# Libraries, headers and pkg-config files come from the sysroot alone; programs from the
# build machine.
set(CMAKE_FIND_ROOT_PATH ${MG_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${MG_SYSROOT})
set(ENV{PKG_CONFIG_LIBDIR} ${MG_SYSROOT}/usr/lib/x86_64-linux-gnu/pkgconfig:${MG_SYSROOT}/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

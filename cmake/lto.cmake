# Link-time optimisation for the modules we ship. A processing call passes through the
# binding, the frame, its timeline and the effect, each in files of their own: only at link
# time can they be inlined into one another, which cuts the call's own cost by about a
# fifth. The libraries on that path keep ordinary object code beside, so the tests and tools
# that link them are built as before. Sanitizer and fuzzing builds go without.
option(MG_LINK_TIME_OPTIMIZATION "Optimise the shipped modules at link time (GCC)" ON)
set(MG_LTO OFF)
if(MG_LINK_TIME_OPTIMIZATION AND NOT MG_SANITIZE AND NOT MG_SANITIZE_THREAD AND NOT MG_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  include(CheckIPOSupported)
  check_ipo_supported(RESULT MG_LTO LANGUAGES CXX)
endif()

# A library whose code runs in every processing call.
function(mg_lto_library target)
  if(MG_LTO)
    target_compile_options(${target} PRIVATE -flto=auto -ffat-lto-objects)
  endif()
endfunction()

# A module a host loads: linked with the libraries above optimised as one.
function(mg_lto_module target)
  if(MG_LTO)
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
endfunction()

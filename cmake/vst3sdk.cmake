# Where the VST 3 SDK (3.7.14) comes from, in this order:
#   1. -DVST3_SDK_ROOT=<path>
#   2. ../shared/vst3sdk beside the project (the pinned copy)
#   3. FetchContent of the official repository at tag v3.7.14_build_55
set(VST3_SDK_ROOT "" CACHE PATH "Path to the VST 3 SDK 3.7.14")
if(NOT VST3_SDK_ROOT)
  get_filename_component(_mg_pinned "${PROJECT_SOURCE_DIR}/../shared/vst3sdk" ABSOLUTE)
  if(EXISTS "${_mg_pinned}/pluginterfaces/base/funknown.h")
    set(VST3_SDK_ROOT "${_mg_pinned}" CACHE PATH "Path to the VST 3 SDK 3.7.14" FORCE)
  else()
    include(FetchContent)
    FetchContent_Declare(vst3sdk
      GIT_REPOSITORY https://github.com/steinbergmedia/vst3sdk.git
      GIT_TAG v3.7.14_build_55
      GIT_SHALLOW TRUE
      GIT_SUBMODULES base pluginterfaces public.sdk cmake)
    FetchContent_GetProperties(vst3sdk)
    if(NOT vst3sdk_POPULATED)
      FetchContent_Populate(vst3sdk)
    endif()
    set(VST3_SDK_ROOT "${vst3sdk_SOURCE_DIR}" CACHE PATH "Path to the VST 3 SDK 3.7.14" FORCE)
  endif()
endif()
if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/base/funknown.h")
  message(FATAL_ERROR "VST3_SDK_ROOT=${VST3_SDK_ROOT} does not hold the VST 3 SDK")
endif()
message(STATUS "VST 3 SDK: ${VST3_SDK_ROOT}")

# The editor's platform layer on Linux: its window inside the host's, popup menus, message
# boxes, pointer shapes and the desktop's opener, on Xlib. Included by the graphics
# CMakeLists; built only where the X11 development files are installed.
find_package(X11)
if(NOT X11_FOUND)
  message(STATUS "X11 not found: mg_graphics_x11 is not built")
  return()
endif()

add_library(mg_graphics_x11 STATIC
  X11MessageBox.cpp
  X11MessageText.cpp
  X11OpenURL.cpp
  X11PopupMenu.cpp
  X11Support.cpp
  X11View.cpp
  X11ViewEvents.cpp
  X11ViewImpl.h
  X11ViewServices.cpp
)
target_link_libraries(mg_graphics_x11 PUBLIC mg_graphics_core X11::X11)
# It ends up inside the plug-in's module, which exports nothing but its entry points.
set_target_properties(mg_graphics_x11 PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

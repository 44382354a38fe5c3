# The effect's editor: layout, scaling, own controls and menus, drawn offscreen.
# Included from this folder's CMakeLists.txt.
set(_trellow_font /usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf)
# The editor reads its bitmaps and font from one folder, as from the bundle: links to the
# project's bitmaps (so a redrawn bitmap is seen at once) and to the system font.
get_filename_component(_sources ${CMAKE_CURRENT_LIST_DIR}/../../resources ABSOLUTE)
set(_trellow_resources ${CMAKE_CURRENT_BINARY_DIR}/trellow-resources)
file(MAKE_DIRECTORY ${_trellow_resources})
foreach(_name back.png knob.png switch.png stages.png)
  file(CREATE_LINK ${_sources}/${_name} ${_trellow_resources}/${_name} SYMBOLIC)
endforeach()
file(CREATE_LINK ${_trellow_font} ${_trellow_resources}/Roboto-Regular.ttf SYMBOLIC)

mg_add_gtest(test_trellow_editor
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_trellow_editor.cpp ${CMAKE_CURRENT_LIST_DIR}/test_trellow_editor_sizes.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_settings_use.cpp
  LIBS mg_effect mg_trellow_editor
  LABELS editor)
# MG_UPDATE_REFERENCE=1 in the environment rewrites the reference snapshots instead of
# comparing with them.
target_compile_definitions(test_trellow_editor PRIVATE
  MG_TRELLOW_RESOURCES="${_trellow_resources}"
  MG_TRELLOW_REFERENCE_DIR="${CMAKE_CURRENT_LIST_DIR}/reference")

# mg_editor_resources(<target> <folder>)
# Copies the editor's bitmaps and font into <folder>, where the editor looks for them beside
# its module, on every build of <target>, so a changed bitmap never needs a relink.
set(MG_EDITOR_FONT /usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf)
function(mg_editor_resources target folder)
  add_custom_target(${target}_resources
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/resources ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MG_EDITOR_FONT} ${folder}/
    VERBATIM)
  add_dependencies(${target} ${target}_resources)
endfunction()

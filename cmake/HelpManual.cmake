# The Help manual where each program looks for it (convert/HelpLink): beside the program on
# Windows, in ../share/doc/tolvane from the program's folder elsewhere. A program built here
# gets a copy at that place, so a program run from the build tree finds the build tree's
# manual, and a program copied anywhere else never does.
#
#   tolvane_help_manual(tolvane-convert)
function(tolvane_help_manual target)
  if(WIN32)
    set(folder $<TARGET_FILE_DIR:${target}>)
  else()
    set(folder $<TARGET_FILE_DIR:${target}>/../share/doc/tolvane)
  endif()
  # The manual as the system built for shows it (TOLVANE_MANUAL, made by tolvane_manual).
  add_dependencies(${target} tolvane_manual)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TOLVANE_MANUAL} ${folder}/help.html)
endfunction()

# Each library gets an include folder of its own in the build tree, holding its headers under
# the name the code includes them by. "pst/PstWriter.h" then resolves only in a target that
# links tolvane_pst: a header used without linking its library fails to compile.
#
#   tolvane_include_folder(tolvane_pst)                      the whole source folder, as "pst/"
#   tolvane_include_folder(tolvane_platform FILES Ui.h ...)  only these headers, as "platform/"
#
# FILES serves a folder shared by several libraries, or one whose subfolder is a library of
# its own. The folder's name is its path below src/ or tests/.
function(tolvane_include_folder target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FILES")
  file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  if(name MATCHES "^\\.\\./tests/")
    file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})  # links only: the sources they point to stay
  if(arg_FILES)
    file(MAKE_DIRECTORY ${root}/${name})
    foreach(header IN LISTS arg_FILES)
      if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${header})
        message(FATAL_ERROR "${target}: no header ${CMAKE_CURRENT_SOURCE_DIR}/${header}")
      endif()
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${name}/${header} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${root}/${name} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${name} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

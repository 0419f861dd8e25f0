# The Windows build (cmake/mingw-w64-x86_64.cmake): the Win32 window takes the Qt window's
# place, and the checker stays a Linux tool that reads what the Windows programs write.
list(TRANSFORM TOLVANE_SOURCE_FOLDERS REPLACE "^app$" "win32app")
list(REMOVE_ITEM TOLVANE_SOURCE_FOLDERS pstcheck)

# Test programs and their helpers written for Linux alone: they build their inputs with POSIX
# calls (mkdtemp, mkfifo, chmod, symbolic links), run the Linux PST readers or read through
# the checker's library (a Linux tool here) from inside the program, or spell their
# expectations as POSIX paths (the job's tests). Their subjects are
# covered under Wine by the Windows tests (tests/win32app) and by the end-to-end comparison
# of tolvane-convert.exe with the Linux build.
set(TOLVANE_LINUX_ONLY_TESTS
  scan_tests tolvane_mime_roundtrip_tests pst_ndb_test_support pst_ndb_format pst_ndb_file
  pst_ndb_trees pst_ndb_space pst_ndb_large pst_messaging_tests convert_job_tests pst_ltp_tests)

# Under Wine a program starts in about half a second: each test program runs once, as one
# test, instead of once per test case.
function(gtest_discover_tests target)
  cmake_parse_arguments(arg "" "TEST_PREFIX;TEST_SUFFIX;DISCOVERY_TIMEOUT;DISCOVERY_MODE;WORKING_DIRECTORY;TEST_LIST"
                        "PROPERTIES;EXTRA_ARGS;TEST_FILTER" ${ARGN})
  if(target IN_LIST TOLVANE_LINUX_ONLY_TESTS)
    return()
  endif()
  set(name ${arg_TEST_PREFIX}${target}${arg_TEST_SUFFIX})
  string(REGEX REPLACE "\\.$" "" name "${name}")
  add_test(NAME ${name} COMMAND ${target} --gtest_brief=1 ${arg_EXTRA_ARGS})
  if(arg_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${arg_PROPERTIES})
  endif()
  set_property(TEST ${name} APPEND PROPERTY LABELS windows)
endfunction()

# Once every folder is read: the Linux-only targets are left out of the build.
function(tolvane_leave_out_linux_only_tests)
  foreach(target IN LISTS TOLVANE_LINUX_ONLY_TESTS)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tolvane_leave_out_linux_only_tests)

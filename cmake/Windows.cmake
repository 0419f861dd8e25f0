# What the Windows build (cmake/mingw-w64-x86_64.cmake) does with the tests.

# Under Wine a program starts in about half a second: each test program runs once, as one
# test, instead of once per test case.
function(gtest_discover_tests target)
  cmake_parse_arguments(arg "" "TEST_PREFIX;TEST_SUFFIX;DISCOVERY_TIMEOUT;DISCOVERY_MODE;WORKING_DIRECTORY;TEST_LIST"
                        "PROPERTIES;EXTRA_ARGS;TEST_FILTER" ${ARGN})
  set(name ${arg_TEST_PREFIX}${target}${arg_TEST_SUFFIX})
  string(REGEX REPLACE "\\.$" "" name "${name}")
  add_test(NAME ${name} COMMAND ${target} --gtest_brief=1 ${arg_EXTRA_ARGS})
  if(arg_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${arg_PROPERTIES})
  endif()
  set_property(TEST ${name} APPEND PROPERTY LABELS windows)
endfunction()

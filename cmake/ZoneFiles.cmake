# libical's zone files beside a Windows program (calendar/ZoneFiles): Windows has no system zone
# data, so the programs and the calendar tests find libical's own zones in the zoneinfo folder
# beside them. Elsewhere libical reads the system's zones and this does nothing.
#
#   tolvane_zone_files(tolvane-convert)
if(WIN32)
  set(TOLVANE_ZONE_FILES ${TOLVANE_WINDOWS_PREFIX}/share/libical/zoneinfo)
  if(NOT EXISTS ${TOLVANE_ZONE_FILES}/zones.tab)
    message(FATAL_ERROR "No libical zone files at ${TOLVANE_ZONE_FILES}: "
                        "scripts/windows-deps.sh builds libical with its own zones")
  endif()
endif()

function(tolvane_zone_files target)
  if(WIN32)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${TOLVANE_ZONE_FILES}
              $<TARGET_FILE_DIR:${target}>/zoneinfo)
  endif()
endfunction()

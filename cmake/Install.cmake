# What `cmake --install` puts where. Windows: the programs, the manual and libical's zone files
# (zoneinfo) in one folder, as the zip and the installer ship them (scripts/windows-dist.sh).
# Elsewhere the GNU layout: the programs in bin, the manual in share/doc/tolvane, manual pages,
# a menu entry, icons and AppStream metadata.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS tolvane tolvane-convert RUNTIME DESTINATION .)
  install(FILES ${TOLVANE_MANUAL} DESTINATION .)
  install(DIRECTORY ${TOLVANE_ZONE_FILES}/ DESTINATION zoneinfo)
  return()
endif()

# The programs look for their manual at ../share/doc/tolvane from their own folder
# (convert/HelpLink): a layout that moves one without the other would lose it.
file(RELATIVE_PATH manualFromPrograms ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DOCDIR})
if(NOT manualFromPrograms STREQUAL "../share/doc/tolvane")
  message(FATAL_ERROR "The programs find their manual at ../share/doc/tolvane; "
                      "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_DOCDIR put it at ${manualFromPrograms}")
endif()

set(packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
set(resources ${PROJECT_SOURCE_DIR}/src/app/resources)
set(generated ${PROJECT_BINARY_DIR}/packaging)
set(appId org.tolvane.Tolvane)

# Manual pages and the changelog go in compressed, as Debian wants them (gzip -n: no name or
# time stamp inside, so the package is the same on every build).
set(compressed)
function(tolvane_gzip input output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${input} ${output}
    DEPENDS ${input} VERBATIM)
  set(compressed ${compressed} ${output} PARENT_SCOPE)
endfunction()
foreach(page tolvane tolvane-convert)
  configure_file(${packaging}/${page}.1.in ${generated}/${page}.1 @ONLY)
  tolvane_gzip(${generated}/${page}.1 ${generated}/${page}.1.gz)
endforeach()
execute_process(COMMAND date -R -u -d "${TOLVANE_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE TOLVANE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
tolvane_gzip(${generated}/changelog ${generated}/changelog.gz)
configure_file(${packaging}/copyright.in ${generated}/copyright @ONLY)
configure_file(${packaging}/${appId}.metainfo.xml.in ${generated}/${appId}.metainfo.xml @ONLY)
add_custom_target(tolvane_install_files ALL DEPENDS ${compressed})

install(TARGETS tolvane-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TOLVANE_MANUAL} ${generated}/copyright ${generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${generated}/tolvane-convert.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TOLVANE_BUILD_GUI)
  install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${generated}/tolvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${packaging}/${appId}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${generated}/${appId}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 24 32 48)
    install(FILES ${resources}/icon-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tolvane.png)
  endforeach()
  install(FILES ${resources}/tolvane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

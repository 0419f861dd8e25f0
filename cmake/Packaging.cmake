# `make package`: a Debian package of what cmake/Install.cmake installs, built by CPack into
# dist/. Its dependencies come from dpkg-shlibdeps, so they name the libraries the programs
# were linked with, at the versions they need.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move a Zimbra mailbox into a new Outlook PST file")
set(CPACK_PACKAGE_DESCRIPTION
    "Tolvane moves a mailbox exported by Zimbra Desktop as .eml files into one new\n"
    "Outlook personal-folders file (.pst, Unicode): headers, sender and recipients,\n"
    "dates, plain and HTML bodies, attachments and embedded messages, in a folder\n"
    "tree that mirrors the folders the files came from. The PST is written by\n"
    "Tolvane's own writer; Outlook is not needed.\n"
    "\n"
    "The package holds the window (tolvane) and the command-line converter\n"
    "(tolvane-convert).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOLVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
# Folders as Debian wants them (0755), whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

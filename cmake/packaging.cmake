# Two Debian packages from the install components: the window program and
# the command-line program, which needs no graphical libraries. Their
# dependencies are read from the binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tamarack tamarack-cli)
set(CPACK_PACKAGE_NAME tamarack)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tamarack developers")
set(CPACK_PACKAGE_CONTACT "Tamarack developers <help@tamarack.test>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders as Debian wants them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tamarack developers <help@tamarack.test>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

string(CONCAT tamarack_about
    "An incomplete download leaves the missing parts of an AVI file as long runs\n"
    "of zero bytes. Tamarack shows where they are on a map of the file, lists\n"
    "them as short patch codes, and fills them from a second download of the\n"
    "same file or from a small patch file made by someone whose copy is intact.\n"
    "Only zero bytes are ever replaced.\n")

set(CPACK_DEBIAN_TAMARACK_PACKAGE_NAME tamarack)
set(CPACK_DEBIAN_TAMARACK_PACKAGE_SECTION video)
# The window draws in "MS Sans Serif" and Tahoma from fonts-wine, and in
# Liberation Sans (Narrow) where those do not fit the screen's scale.
set(CPACK_DEBIAN_TAMARACK_PACKAGE_DEPENDS "fonts-wine, fonts-liberation")
string(CONCAT CPACK_COMPONENT_TAMARACK_DESCRIPTION
    "find and repair the holes of incomplete AVI downloads\n${tamarack_about}\n"
    "This package holds the desktop program.")

set(CPACK_DEBIAN_TAMARACK-CLI_PACKAGE_NAME tamarack-cli)
set(CPACK_DEBIAN_TAMARACK-CLI_PACKAGE_SECTION video)
string(CONCAT CPACK_COMPONENT_TAMARACK-CLI_DESCRIPTION
    "find and repair the holes of incomplete AVI downloads (command line)\n${tamarack_about}\n"
    "This package holds tamarack-cli, the same operations for scripts and for\n"
    "machines without a display. It needs no graphical libraries.")

include(CPack)

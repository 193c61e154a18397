# Packages for handing vesk to operators: a .deb for Debian machines and, from the
# MinGW-w64 cross build, a .zip to unpack on a Windows field laptop. Build them with
# `cpack` in the build directory; the contents come from the install() rules.
set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR "vesk developers")
set(CPACK_PACKAGE_CONTACT "${VESK_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Turns a plain text list of latitude/longitude waypoints into a mission for the
TEVORAN autonomous underwater vehicle: a mission script (.cfg), a waypoint file
(.wpt) and a survey-line file (.pts), after a short console dialogue.")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  # Unpacks into one vesk-VERSION-win64 folder holding vesk.exe and its documents.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The C and C++ runtime and the libraries the program links against, as dpkg-shlibdeps
  # finds them: without dpkg-dev and file the package would be built with no Depends at
  # all and install a program that cannot start, so their absence stops the build.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/cmake/packageTools.cmake")
endif()

include(CPack)

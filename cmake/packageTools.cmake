# Read by cpack for each package it builds. The .deb's Depends come from dpkg-shlibdeps,
# which needs dpkg-dev and file: without them cpack would build a package with no
# dependencies at all, which installs a program that cannot start. Stop instead.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(VESK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  find_program(VESK_FILE_PROGRAM file)
  if(NOT VESK_DPKG_SHLIBDEPS OR NOT VESK_FILE_PROGRAM)
    message(FATAL_ERROR "building the .deb needs the packages dpkg-dev and file "
                        "(apt-get install dpkg-dev file)")
  endif()
endif()

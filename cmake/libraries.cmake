# The libraries that read and write the route formats and the command line: pugixml for
# KML and GPX, nlohmann/json for GeoJSON, CLI11 for the options, GeographicLib, whose DMS
# decoder reads positions written in degrees, minutes and seconds with hemisphere letters,
# minizip over zlib, which open the zip archive of a KMZ, toml++ for the settings files,
# Boost.Geometry for the clipping and crossings of survey areas, and libtiff, which reads
# GeoTIFF bathymetry grids; nettle's SHA-256 and the header-only mustache library for the
# dive brief. All come from Debian (libpugixml-dev, nlohmann-json3-dev, libcli11-dev,
# libgeographiclib-dev, libminizip-dev, zlib1g-dev, libtomlplusplus-dev, libboost-dev,
# libtiff-dev, nettle-dev, libkainjow-mustache-dev).
#
# toml++ is used header-only on every system (settingsFile.cpp says so before including
# it): Debian's CMake package would link its shared library instead.
#
# The Windows cross build must stay one static vesk.exe: the five header-only libraries are
# taken from the host's Debian packages through an include folder in the build tree that
# holds only them (never all of /usr/include); pugixml, GeographicLib, minizip and libtiff,
# which Debian ships for the host only, are compiled from their Debian source packages
# (fetched into the build tree by .ci/windows.sh; see VESK_PUGIXML_SOURCE_DIR,
# VESK_GEOGRAPHICLIB_SOURCE_DIR, VESK_MINIZIP_SOURCE_DIR and VESK_TIFF_SOURCE_DIR), as is
# nettle's SHA-256 (VESK_NETTLE_SOURCE_DIR), and
# zlib is Debian's static MinGW-w64 build (libz-mingw-w64-dev).
add_library(vesk_libraries INTERFACE)

if(CMAKE_CROSSCOMPILING)
  set(VESK_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the host's header-only libraries are")
  set(VESK_PUGIXML_SOURCE_DIR "" CACHE PATH "The unpacked pugixml source package, for cross builds")
  set(headers ${CMAKE_BINARY_DIR}/header-only-libraries)
  file(MAKE_DIRECTORY ${headers})
  foreach(library nlohmann CLI toml++ boost kainjow)
    if(NOT EXISTS ${VESK_HOST_INCLUDE_DIR}/${library})
      message(FATAL_ERROR "${VESK_HOST_INCLUDE_DIR}/${library} is missing: install nlohmann-json3-dev, libcli11-dev, "
                          "libtomlplusplus-dev, libboost-dev and libkainjow-mustache-dev")
    endif()
    file(CREATE_LINK ${VESK_HOST_INCLUDE_DIR}/${library} ${headers}/${library} SYMBOLIC)
  endforeach()
  if(NOT EXISTS ${VESK_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
    message(FATAL_ERROR "Set VESK_PUGIXML_SOURCE_DIR to the unpacked pugixml source package "
                        "(apt-get source pugixml; .ci/windows.sh does it)")
  endif()
  add_library(pugixml_static STATIC ${VESK_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
  # pugixml's code is not ours to fix: a warning a newer MinGW compiler finds in it is
  # shown but must not stop the Windows build the way one in vesk's own code does.
  target_compile_options(pugixml_static PRIVATE -Wno-error)
  target_include_directories(pugixml_static SYSTEM PUBLIC ${VESK_PUGIXML_SOURCE_DIR}/src)
  target_include_directories(vesk_libraries SYSTEM INTERFACE ${headers})
  target_link_libraries(vesk_libraries INTERFACE pugixml_static)

  # Of GeographicLib only the DMS decoder and what it calls.
  set(VESK_GEOGRAPHICLIB_SOURCE_DIR "" CACHE PATH "The unpacked geographiclib source package, for cross builds")
  set(geo ${VESK_GEOGRAPHICLIB_SOURCE_DIR})
  if(NOT EXISTS ${geo}/src/DMS.cpp)
    message(FATAL_ERROR "Set VESK_GEOGRAPHICLIB_SOURCE_DIR to the unpacked geographiclib source package "
                        "(apt-get source geographiclib; .ci/windows.sh does it)")
  endif()
  # The Config.h the library's own build writes: a static library computing in double.
  foreach(part MAJOR MINOR PATCH)
    file(STRINGS ${geo}/CMakeLists.txt line REGEX "^set \\(PROJECT_VERSION_${part} [0-9]+\\)")
    string(REGEX MATCH "[0-9]+" number "${line}")
    set(geo_${part} "${number}")
  endforeach()
  set(geo_config ${CMAKE_BINARY_DIR}/geographiclib-config)
  file(WRITE ${geo_config}/GeographicLib/Config.h
    "#define GEOGRAPHICLIB_VERSION_STRING \"${geo_MAJOR}.${geo_MINOR}.${geo_PATCH}\"\n"
    "#define GEOGRAPHICLIB_VERSION_MAJOR ${geo_MAJOR}\n"
    "#define GEOGRAPHICLIB_VERSION_MINOR ${geo_MINOR}\n"
    "#define GEOGRAPHICLIB_VERSION_PATCH ${geo_PATCH}\n"
    "#define GEOGRAPHICLIB_DATA \"\"\n"
    "#define GEOGRAPHICLIB_HAVE_LONG_DOUBLE 1\n"
    "#define GEOGRAPHICLIB_WORDS_BIGENDIAN 0\n"
    "#define GEOGRAPHICLIB_PRECISION 2\n"
    "#define GEOGRAPHICLIB_SHARED_LIB 0\n")
  add_library(geographiclib_static STATIC ${geo}/src/DMS.cpp ${geo}/src/Utility.cpp ${geo}/src/Math.cpp)
  # Not our code to fix, as with pugixml.
  target_compile_options(geographiclib_static PRIVATE -Wno-error)
  target_include_directories(geographiclib_static SYSTEM PUBLIC ${geo_config} ${geo}/include)
  target_link_libraries(vesk_libraries INTERFACE geographiclib_static)

  # minizip is three C files over zlib: its reader, which the program uses, its writer,
  # with which the tests make their KMZ files, and the file functions both are built on.
  enable_language(C)
  set(VESK_MINIZIP_SOURCE_DIR "" CACHE PATH "The unpacked minizip source package, for cross builds")
  if(NOT EXISTS ${VESK_MINIZIP_SOURCE_DIR}/unzip.c)
    message(FATAL_ERROR "Set VESK_MINIZIP_SOURCE_DIR to the unpacked minizip source package "
                        "(apt-get source minizip; .ci/windows.sh does it)")
  endif()
  find_library(VESK_ZLIB_LIBRARY NAMES libz.a)
  find_path(VESK_ZLIB_INCLUDE_DIR zlib.h)
  if(NOT VESK_ZLIB_LIBRARY OR NOT VESK_ZLIB_INCLUDE_DIR)
    message(FATAL_ERROR "The static zlib for MinGW-w64 is missing: install libz-mingw-w64-dev")
  endif()
  set(mz ${VESK_MINIZIP_SOURCE_DIR})
  add_library(minizip_static STATIC ${mz}/ioapi.c ${mz}/unzip.c ${mz}/zip.c)
  # The program hands minizip the archive in memory; its own file functions are plain C
  # stdio, without the 64-bit names only some C libraries have.
  target_compile_definitions(minizip_static PRIVATE USE_FILE32API)
  target_compile_options(minizip_static PRIVATE -Wno-error)
  target_include_directories(minizip_static SYSTEM PUBLIC ${mz} ${VESK_ZLIB_INCLUDE_DIR})
  target_link_libraries(minizip_static PUBLIC ${VESK_ZLIB_LIBRARY})
  target_link_libraries(vesk_libraries INTERFACE minizip_static)

  # Of nettle only SHA-256, for the dive brief's checksums: its three C files, configured as
  # nettle's own build configures a build without assembly (an empty config.h), and its
  # headers reached as <nettle/...> as on Debian.
  set(VESK_NETTLE_SOURCE_DIR "" CACHE PATH "The unpacked nettle source package, for cross builds")
  set(nettle ${VESK_NETTLE_SOURCE_DIR})
  if(NOT EXISTS ${nettle}/sha256.c)
    message(FATAL_ERROR "Set VESK_NETTLE_SOURCE_DIR to the unpacked nettle source package "
                        "(apt-get source nettle; .ci/windows.sh does it)")
  endif()
  set(nettle_config ${CMAKE_BINARY_DIR}/nettle-config)
  file(WRITE ${nettle_config}/config.h "/* nettle's C code alone: no assembly, no fat binary */\n")
  file(MAKE_DIRECTORY ${nettle_config}/include)
  file(CREATE_LINK ${nettle} ${nettle_config}/include/nettle SYMBOLIC)
  add_library(nettle_sha256_static STATIC ${nettle}/sha256.c ${nettle}/sha256-compress.c ${nettle}/write-be32.c)
  target_compile_options(nettle_sha256_static PRIVATE -Wno-error)
  target_include_directories(nettle_sha256_static PRIVATE ${nettle_config} ${nettle})
  target_include_directories(nettle_sha256_static SYSTEM INTERFACE ${nettle_config}/include)
  target_link_libraries(vesk_libraries INTERFACE nettle_sha256_static)

  # libtiff for the GeoTIFF bathymetry grids, built by its own CMake files as a static
  # library with the codecs a grid is written with (none, LZW, PackBits, Deflate over the
  # same static zlib) and none of the other libraries it can use, which the one vesk.exe
  # would otherwise need beside it.
  set(VESK_TIFF_SOURCE_DIR "" CACHE PATH "The unpacked tiff source package, for cross builds")
  if(NOT EXISTS ${VESK_TIFF_SOURCE_DIR}/libtiff/tiffio.h)
    message(FATAL_ERROR "Set VESK_TIFF_SOURCE_DIR to the unpacked tiff source package "
                        "(apt-get source tiff; .ci/windows.sh does it)")
  endif()
  set(BUILD_SHARED_LIBS OFF)
  set(ZLIB_LIBRARY ${VESK_ZLIB_LIBRARY} CACHE FILEPATH "" FORCE)
  set(ZLIB_INCLUDE_DIR ${VESK_ZLIB_INCLUDE_DIR} CACHE PATH "" FORCE)
  foreach(part tools tests contrib docs install)
    set(tiff-${part} OFF CACHE BOOL "" FORCE)
  endforeach()
  foreach(codec cxx jpeg old-jpeg jpeg12 jbig lerc lzma zstd webp libdeflate pixarlog tiff-opengl)
    set(${codec} OFF CACHE BOOL "" FORCE)
  endforeach()
  set(zlib ON CACHE BOOL "" FORCE)
  add_subdirectory(${VESK_TIFF_SOURCE_DIR} ${CMAKE_BINARY_DIR}/tiff EXCLUDE_FROM_ALL)
  # Not our code to fix, as with pugixml; its own warnings are its makers' business.
  target_compile_options(tiff PRIVATE -Wno-error -w)
  target_link_libraries(vesk_libraries INTERFACE tiff)
else()
  find_package(pugixml REQUIRED)
  find_package(nlohmann_json 3.10 REQUIRED)
  find_package(CLI11 REQUIRED)
  target_link_libraries(vesk_libraries INTERFACE pugixml::pugixml nlohmann_json::nlohmann_json CLI11::CLI11)
  find_path(VESK_TOMLPLUSPLUS_INCLUDE_DIR toml++/toml.h)
  if(NOT VESK_TOMLPLUSPLUS_INCLUDE_DIR)
    message(FATAL_ERROR "toml++ is missing: install libtomlplusplus-dev")
  endif()
  target_include_directories(vesk_libraries SYSTEM INTERFACE ${VESK_TOMLPLUSPLUS_INCLUDE_DIR})
  find_package(Boost 1.74 REQUIRED CONFIG)
  target_link_libraries(vesk_libraries INTERFACE Boost::headers)
  # Debian ships GeographicLib without a CMake package configuration.
  find_path(VESK_GEOGRAPHICLIB_INCLUDE_DIR GeographicLib/DMS.hpp)
  find_library(VESK_GEOGRAPHICLIB_LIBRARY GeographicLib)
  if(NOT VESK_GEOGRAPHICLIB_INCLUDE_DIR OR NOT VESK_GEOGRAPHICLIB_LIBRARY)
    message(FATAL_ERROR "GeographicLib is missing: install libgeographiclib-dev")
  endif()
  add_library(geographiclib UNKNOWN IMPORTED)
  set_target_properties(geographiclib PROPERTIES IMPORTED_LOCATION ${VESK_GEOGRAPHICLIB_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${VESK_GEOGRAPHICLIB_INCLUDE_DIR})
  target_link_libraries(vesk_libraries INTERFACE geographiclib)

  # Debian's minizip has no CMake package configuration either; its headers include zlib's.
  find_package(ZLIB REQUIRED)
  find_path(VESK_MINIZIP_INCLUDE_DIR unzip.h PATH_SUFFIXES minizip)
  find_library(VESK_MINIZIP_LIBRARY minizip)
  if(NOT VESK_MINIZIP_INCLUDE_DIR OR NOT VESK_MINIZIP_LIBRARY)
    message(FATAL_ERROR "minizip is missing: install libminizip-dev")
  endif()
  add_library(minizip UNKNOWN IMPORTED)
  set_target_properties(minizip PROPERTIES IMPORTED_LOCATION ${VESK_MINIZIP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${VESK_MINIZIP_INCLUDE_DIR} INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
  target_link_libraries(vesk_libraries INTERFACE minizip)

  find_package(TIFF REQUIRED)
  target_link_libraries(vesk_libraries INTERFACE TIFF::TIFF)

  # nettle's SHA-256 for the checksums of the dive brief (nettle-dev).
  find_path(VESK_NETTLE_INCLUDE_DIR nettle/sha2.h)
  find_library(VESK_NETTLE_LIBRARY nettle)
  if(NOT VESK_NETTLE_INCLUDE_DIR OR NOT VESK_NETTLE_LIBRARY)
    message(FATAL_ERROR "nettle is missing: install nettle-dev")
  endif()
  target_include_directories(vesk_libraries SYSTEM INTERFACE ${VESK_NETTLE_INCLUDE_DIR})
  target_link_libraries(vesk_libraries INTERFACE ${VESK_NETTLE_LIBRARY})
endif()


# Boost.Geometry still includes a few headers that Boost itself has deprecated; the notes
# they print on every compile say nothing about vesk's code.
target_compile_definitions(vesk_libraries INTERFACE BOOST_ALLOW_DEPRECATED_HEADERS)

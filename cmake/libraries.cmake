# The libraries that read and write the route formats and the command line: pugixml for
# KML and GPX, nlohmann/json for GeoJSON, CLI11 for the options; Boost.Geometry for the
# clipping and crossings of survey areas. All four come from Debian (libpugixml-dev,
# nlohmann-json3-dev, libcli11-dev, libboost-dev).
#
# The Windows cross build must stay one static vesk.exe: the header-only libraries are
# taken from the host's Debian packages through an include folder in the build tree that
# holds only them (never all of /usr/include), and pugixml, which Debian ships for the
# host only, is compiled from its Debian source package (fetched into the build tree by
# .ci/windows.sh; see VESK_PUGIXML_SOURCE_DIR).
add_library(vesk_libraries INTERFACE)

if(CMAKE_CROSSCOMPILING)
  set(VESK_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the host's header-only libraries are")
  set(VESK_PUGIXML_SOURCE_DIR "" CACHE PATH "The unpacked pugixml source package, for cross builds")
  set(headers ${CMAKE_BINARY_DIR}/header-only-libraries)
  file(MAKE_DIRECTORY ${headers})
  foreach(library nlohmann CLI boost)
    if(NOT EXISTS ${VESK_HOST_INCLUDE_DIR}/${library})
      message(FATAL_ERROR "${VESK_HOST_INCLUDE_DIR}/${library} is missing: install nlohmann-json3-dev, libcli11-dev and libboost-dev")
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
else()
  find_package(pugixml REQUIRED)
  find_package(nlohmann_json 3.10 REQUIRED)
  find_package(CLI11 REQUIRED)
  find_package(Boost 1.74 REQUIRED CONFIG)
  target_link_libraries(vesk_libraries INTERFACE pugixml::pugixml nlohmann_json::nlohmann_json CLI11::CLI11
    Boost::headers)
endif()

# Boost.Geometry still includes a few headers that Boost itself has deprecated; the notes
# they print on every compile say nothing about vesk's code.
target_compile_definitions(vesk_libraries INTERFACE BOOST_ALLOW_DEPRECATED_HEADERS)

# The positions of a long route are formatted on a second thread beside the writers.
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)
target_link_libraries(vesk_libraries INTERFACE Threads::Threads)

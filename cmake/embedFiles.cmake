# Files built into the programs as byte arrays, CR LF and all, so that a program carries
# them wherever it is copied: the text of --help, and the tests' golden files and fuzz
# seeds. CMake runs again when such a file changes.

# vesk_bytes_of(FILE VAR): sets VAR to the bytes of FILE as the initialiser of an unsigned
# char array, with a NUL at the end ("0x41,0x42,0x00"), so that an empty file makes an array
# too and a text reads as one string.
function(vesk_bytes_of file var)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
  set(${var} "${bytes}0x00" PARENT_SCOPE)
endfunction()

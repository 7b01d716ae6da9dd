# Turns a file into C++ constant bytes: a definition of SYMBOL (unsigned char array) and of
# SYMBOL followed by "Length" (its size), declared in HEADER. Run at build time:
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=Name -DHEADER=dir/name.h -P EmbedFile.cmake
foreach(var INPUT OUTPUT SYMBOL HEADER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedFile.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "EmbedFile.cmake: ${INPUT} is empty")
endif()
math(EXPR byte_count "${hex_length} / 2")
# Sixteen bytes a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 sixteen)  # CMake's regular expressions have no {n}
string(REGEX REPLACE "(${sixteen})" "\\1\n  " bytes "${bytes}")
string(REGEX REPLACE "[ \n]+$" "" bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)

set(text "// Generated at build time from ${input_name} by EmbedFile.cmake: do not edit.
#include \"${HEADER}\"

extern const unsigned char ${SYMBOL}[] = {
  ${bytes}
};
extern const std::size_t ${SYMBOL}Length = ${byte_count};
")
file(WRITE "${OUTPUT}" "${text}")

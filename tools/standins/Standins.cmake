# Stand-in payloads for builds without the real ones (LUNAVIRE_PAYLOAD_DIR
# empty): same types, names and inflated sizes, our own content.
#
# lunavire_standin(<TYPE/NAME> <out-var>) makes the rule that writes the
# stand-in file and returns its path, or nothing when this build cannot make
# it (the stand-in programs need the MinGW build).  Every rule reruns only
# when its generator or text changes, and leaves an identical output alone.

lunavire_host_tool(lunavire_standin_gen
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/standin_gen.cpp
  HEADERS ${PROJECT_SOURCE_DIR}/tools/packer/HostFiles.h)

set(LUNAVIRE_STANDIN_DIR ${CMAKE_CURRENT_LIST_DIR})
if(LUNAVIRE_WIN32)
  find_program(LUNAVIRE_STANDIN_CXX x86_64-w64-mingw32-g++-posix NO_CMAKE_FIND_ROOT_PATH REQUIRED)
endif()

# type/name | size | recipe | recipe arguments (seed; text, charset, padding; program role)
set(LUNAVIRE_STANDIN_TABLE
  "GB_/GAME00|9718716|archive|2"
  "GB_/GAME01|1884521|archive|4"
  "BIG/GAME01|1924120|archive|9"
  "GB_/README|8550|text|readme.zh-Hans.txt,GBK,spaces"
  "BIG/README|8551|text|readme.zh-Hant.txt,BIG5,spaces"
  "RE0/REG000|1928|text|reg000.reg,ASCII,lines"
  "TXT/LINCE1|1571|text|lince1.zh-Hans.txt,GBK,spaces"
  "TXT/LINCE2|1506|text|lince2.zh-Hant.txt,BIG5,spaces"
  "GB_/KESTAL|242176|program|0"
  "BIG/KESTAL|246784|program|1"
  "GB_/CVANDRY|614400|program|2"
  "BIG/CVANDRY|614400|program|3"
  "EX0/SOUNDS|1972443|program|4"
  "EX0/SOUND1|572659|program|5")

function(lunavire_standin payload outVar)
  set(row)
  foreach(r ${LUNAVIRE_STANDIN_TABLE})
    if(r MATCHES "^${payload}\\|")
      set(row ${r})
    endif()
  endforeach()
  if(NOT row)
    message(FATAL_ERROR "no stand-in for payload ${payload}")
  endif()
  string(REPLACE "|" ";" row "${row}")
  list(GET row 1 size)
  list(GET row 2 recipe)
  list(GET row 3 args)
  string(REPLACE "," ";" args "${args}")

  set(out ${CMAKE_BINARY_DIR}/payloads/standins/${payload})
  get_filename_component(outDir ${out} DIRECTORY)
  file(MAKE_DIRECTORY ${outDir})
  set(gen ${lunavire_standin_gen_EXE})

  if(recipe STREQUAL "archive")
    add_custom_command(OUTPUT ${out}
      COMMAND ${gen} archive ${size} ${args} ${out}
      DEPENDS ${lunavire_standin_gen_DEPENDS}
      COMMENT "Generating stand-in ${payload}" VERBATIM)
  elseif(recipe STREQUAL "text")
    list(GET args 0 text)
    list(GET args 1 charset)
    list(GET args 2 pad)
    set(text ${LUNAVIRE_STANDIN_DIR}/text/${text})
    add_custom_command(OUTPUT ${out}
      COMMAND ${gen} text ${text} ${charset} ${size} ${pad} ${out}
      DEPENDS ${lunavire_standin_gen_DEPENDS} ${text}
      COMMENT "Generating stand-in ${payload}" VERBATIM)
  elseif(recipe STREQUAL "program")
    if(NOT LUNAVIRE_WIN32)
      set(${outVar} "" PARENT_SCOPE)
      return()
    endif()
    # A 64-bit Windows program in the 32-bit build and its 64-bit twin alike,
    # built the same way by the same compiler with no time stamp, so that both
    # carry the same payload bytes and the stand-ins run wherever Wine runs
    # either build (its 64-bit loader is always there).
    string(TOLOWER "${payload}" app)
    string(REPLACE "/" "_" app ${app})
    set(app ${CMAKE_BINARY_DIR}/payloads/standin-programs/${app}.exe)
    add_custom_command(OUTPUT ${app}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/payloads/standin-programs
      COMMAND ${LUNAVIRE_STANDIN_CXX} -std=c++17 -Wall -Wextra -Werror -Os -s -mwindows
              -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp
              -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,1
              -DLUNAVIRE_STANDIN_ROLE=${args} -o ${app} ${LUNAVIRE_STANDIN_DIR}/standin_app.cpp
      DEPENDS ${LUNAVIRE_STANDIN_DIR}/standin_app.cpp
      COMMENT "Building stand-in program ${payload}" VERBATIM)
    # Padded to the real program's size; the loader ignores what follows the image.
    add_custom_command(OUTPUT ${out}
      COMMAND ${gen} pad ${app} ${size} ${out}
      DEPENDS ${lunavire_standin_gen_DEPENDS} ${app}
      COMMENT "Padding stand-in ${payload}" VERBATIM)
  else()
    message(FATAL_ERROR "unknown stand-in recipe ${recipe}")
  endif()
  set(${outVar} ${out} PARENT_SCOPE)
endfunction()

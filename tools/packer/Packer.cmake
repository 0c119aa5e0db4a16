# Build-time tools: the host-tool helper and the payload packer.

# lunavire_host_tool(<name> SOURCES <files...> [HEADERS <files...>] [ZLIB])
#
# A small program that runs on the build machine.  The host build makes it a
# normal target; a cross build compiles it with the build machine's own C++
# compiler, so no second CMake configuration is needed.  Afterwards
# ${<name>_EXE} is the program to run and ${<name>_DEPENDS} what a custom
# command that runs it must depend on.
# The tools see their own folder only ("tools/packer/...").
function(lunavire_host_tool name)
  cmake_parse_arguments(T "ZLIB" "" "SOURCES;HEADERS" ${ARGN})
  lunavire_make_root(toolsRoot lunavire_tools tools)
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${T_SOURCES} ${T_HEADERS})
    target_include_directories(${name} PRIVATE ${toolsRoot})
    if(T_ZLIB)
      find_package(ZLIB REQUIRED)
      target_link_libraries(${name} PRIVATE ZLIB::ZLIB)
    endif()
    set(${name}_EXE $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${name}_DEPENDS ${name} PARENT_SCOPE)
    return()
  endif()
  find_program(LUNAVIRE_HOST_CXX NAMES g++ c++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(exe ${CMAKE_BINARY_DIR}/host-tools/${name})
  set(libs)
  if(T_ZLIB)
    set(libs -lz)
  endif()
  add_custom_command(OUTPUT ${exe}
    COMMAND ${LUNAVIRE_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -Werror -I${toolsRoot}
            -o ${exe} ${T_SOURCES} ${libs}
    DEPENDS ${T_SOURCES} ${T_HEADERS}
    COMMENT "Building host tool ${name}"
    VERBATIM)
  add_custom_target(${name} DEPENDS ${exe})
  set(${name}_EXE ${exe} PARENT_SCOPE)
  set(${name}_DEPENDS ${name} ${exe} PARENT_SCOPE)
endfunction()

lunavire_host_tool(lunavire_packer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/packer.cpp
  HEADERS ${CMAKE_CURRENT_LIST_DIR}/HostFiles.h
  ZLIB)

# The program's layers, as the build keeps them apart.
#
# Each folder of the program is one library, linked to the layers below it
# that it may use and to nothing else.  A library's headers are found through
# an include root of its own in the build tree, which holds nothing but a
# link named after the folder (build/include/<library>/ui -> <source>/ui);
# there is no include path to the source tree.  So "#include "ui/Form.h""
# compiles only in a library that links lunavire_ui, and an include that
# points up the layers fails to compile.

# Makes the link <link> -> <original>, replacing a stale one.
function(lunavire_link original link)
  if(IS_SYMLINK ${link})
    file(READ_SYMLINK ${link} current)
    if(current STREQUAL original)
      return()
    endif()
    file(REMOVE ${link})
  endif()
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${original} ${link} SYMBOLIC)
endfunction()

# lunavire_make_root(<out-var> <name> <folder> [HEADERS])
# The include root <name> for a source folder: a link to the whole folder,
# or with HEADERS a folder of links to its own headers only (the seam's
# folder holds the back ends' folders, which the seam's users must not see).
function(lunavire_make_root outVar name folder)
  cmake_parse_arguments(R "HEADERS" "" "" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  set(src ${PROJECT_SOURCE_DIR}/${folder})
  if(NOT R_HEADERS)
    lunavire_link(${src} ${root}/${folder})
  else()
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${src} ${src}/*.h)
    file(GLOB links RELATIVE ${root}/${folder} ${root}/${folder}/*)
    foreach(old ${links})
      if(NOT old IN_LIST headers)
        file(REMOVE ${root}/${folder}/${old})
      endif()
    endforeach()
    foreach(h ${headers})
      lunavire_link(${src}/${h} ${root}/${folder}/${h})
    endforeach()
  endif()
  set(${outVar} ${root} PARENT_SCOPE)
endfunction()

# lunavire_include_root(<target> <PUBLIC|INTERFACE|PRIVATE> <folder> [HEADERS])
# Gives the target (and, PUBLIC or INTERFACE, whoever links it) the include
# root of a folder.
function(lunavire_include_root target scope folder)
  lunavire_make_root(root ${target} ${folder} ${ARGN})
  target_include_directories(${target} ${scope} ${root})
endfunction()

# Narrow string literals are compiled to bytes of an execution character
# set.  The program's texts are GBK, its own code page; a test that converts
# its texts at run time, or prints them, keeps UTF-8.  A file with non-ASCII
# text must declare one (tools/checks/check_sources.py fails the build
# otherwise); the program's layers declare GBK for every file they compile.
function(lunavire_charset_options outVar charset)
  if(charset STREQUAL "GBK" AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    if(LUNAVIRE_FUZZ)
      # The fuzz build compiles the sources it fuzzes itself, with clang,
      # which knows UTF-8 only; it builds no program.
      set(${outVar} "" PARENT_SCOPE)
      return()
    endif()
    message(FATAL_ERROR "The program's texts are compiled to GBK, which needs GCC's -fexec-charset")
  endif()
  set(${outVar} -finput-charset=UTF-8 -fexec-charset=${charset} PARENT_SCOPE)
endfunction()

# lunavire_layer(<target> <folder> [HEADERS])
# A library of the program: its include root, exported to the layers above,
# and its texts in GBK.
function(lunavire_layer target folder)
  lunavire_include_root(${target} PUBLIC ${folder} ${ARGN})
  lunavire_program_texts(${target})
endfunction()

# lunavire_program_texts(<target>): the target's C++ texts are GBK.
function(lunavire_program_texts target)
  lunavire_charset_options(options GBK)
  foreach(o ${options})
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${o}>)
  endforeach()
endfunction()

# lunavire_source_charset(<GBK|UTF-8> <files>...)
# The execution character set of single files (tests), for the targets of the
# calling folder.
function(lunavire_source_charset charset)
  lunavire_charset_options(options ${charset})
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS "${options}")
endfunction()

# What differs between the systems the program is built for. Sources named *_posix.cpp hold the
# POSIX side of a module and *_win32.cpp its Windows side; each build keeps only its own.

function(floatstate_select_platform_sources sources_var)
  set(sources ${${sources_var}})
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix(_test)?\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32(_test)?\\.cpp$")
  endif()
  set(${sources_var} ${sources} PARENT_SCOPE)
endfunction()

# A statically linked runtime on Windows: the executables need no MinGW DLL beside them.
function(floatstate_platform_flags flags_target)
  if(WIN32)
    target_link_options(${flags_target} INTERFACE -static)
  endif()
endfunction()

# The system libraries of a layer's Windows side: the quadruple-precision sine and cosine of
# geometry, the open-file dialog (comdlg32) and the message box (user32) of app/platform.
set(floatstate_win32_libraries_geometry quadmath)
set(floatstate_win32_libraries_app/platform comdlg32 user32)
function(floatstate_link_platform_libraries target layer)
  if(WIN32 AND floatstate_win32_libraries_${layer})
    target_link_libraries(${target} PUBLIC ${floatstate_win32_libraries_${layer}})
  endif()
endfunction()

# CLI11, nlohmann_json and fast_float. All are header-only, so a cross build takes them from the build
# machine; but only their own headers, through a folder of links, since the rest of the build
# machine's /usr/include must not reach the cross compiler.
macro(floatstate_find_header_only_packages)
  if(CMAKE_CROSSCOMPILING)
    set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
    foreach(package IN ITEMS "CLI11::CLI11;CLI;CLI/CLI.hpp"
                             "nlohmann_json::nlohmann_json;nlohmann;nlohmann/json.hpp"
                             "FastFloat::fast_float;fast_float;fast_float/fast_float.h")
      list(GET package 0 target)
      list(GET package 1 folder)
      list(GET package 2 header)
      find_path(floatstate_${folder}_include ${header} NO_CMAKE_FIND_ROOT_PATH REQUIRED)
      file(MAKE_DIRECTORY ${host_headers})
      file(CREATE_LINK ${floatstate_${folder}_include}/${folder} ${host_headers}/${folder} SYMBOLIC)
      add_library(${target} INTERFACE IMPORTED)
      set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})
    endforeach()
  else()
    find_package(CLI11 CONFIG REQUIRED)
    find_package(nlohmann_json 3.11 REQUIRED)
    find_package(FastFloat CONFIG REQUIRED)
  endif()
endmacro()

# GoogleTest for the tests. A cross build finds no GoogleTest package for its target, so it builds
# GoogleTest from the sources Debian's libgtest-dev ships, with the cross compiler.
set(FLOATSTATE_GTEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources, built along when cross compiling")
macro(floatstate_find_gtest)
  if(CMAKE_CROSSCOMPILING)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${FLOATSTATE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# Registers a test executable with CTest. A cross-built executable cannot be asked for its test
# list at build time, so it runs as one test, through CMAKE_CROSSCOMPILING_EMULATOR when set.
function(floatstate_register_tests target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES ${ARGN})
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${ARGN})
  endif()
endfunction()

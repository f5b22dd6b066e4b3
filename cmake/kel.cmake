# Helpers shared by every folder's CMakeLists.

# A library of the portable core: no <windows.h>, warnings are errors in the host build so that a
# Win32 include or a sloppy conversion in the core fails the build.
function(kel_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  if(KEL_HOST)
    target_compile_options(${name} PRIVATE -Werror)
  endif()
endfunction()

# GoogleTest: Debian's packaged libraries on the host, its sources built with mingw for Windows.
function(kel_require_gtest)
  if(TARGET GTest::gtest_main)
    return()
  endif()
  if(KEL_HOST)
    find_package(GTest REQUIRED)
  else()
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  endif()
endfunction()

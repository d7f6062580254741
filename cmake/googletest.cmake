# Finds GoogleTest: the installed package, or else Debian's sources in
# /usr/src/googletest built with the project (which is also how a cross
# build gets a GoogleTest for its target). Without either, the tests are
# left out with one message.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(TABULOR_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
      "GoogleTest sources, used when no GoogleTest package is found")
  if(EXISTS ${TABULOR_GOOGLETEST_SOURCE}/CMakeLists.txt)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${TABULOR_GOOGLETEST_SOURCE}
                     ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(target gtest gtest_main)
      set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
      if(NOT TARGET GTest::${target})  # older sources name no alias
        add_library(GTest::${target} ALIAS ${target})
      endif()
    endforeach()
  endif()
endif()
if(NOT TARGET GTest::gtest_main)
  message(STATUS "GoogleTest not found (no package, no sources in "
                 "${TABULOR_GOOGLETEST_SOURCE}): the tests are not built")
endif()

# Registers a GoogleTest program with CTest: each test on its own where the
# program runs natively, the whole program as one test under an emulator,
# where every start is slow (wine takes seconds).
function(tabulor_add_gtest target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120)
  endif()
endfunction()

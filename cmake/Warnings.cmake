# tolvane_target_warnings(<target>): the project's warning set on one target.
function(tolvane_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 at -O3 reports overlapping copies inside std::string concatenation that cannot
    # happen (GCC bug 105329); the check is kept everywhere else.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(TOLVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tolvane_static_runtime(<target>): on Windows, the C and C++ runtimes linked into the program,
# so that it runs with no DLL beside it (where the toolchain links them shared for Qt's sake).
function(tolvane_static_runtime target)
  if(WIN32 AND TOLVANE_MINGW_SHARED_RUNTIME)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# tolvane_add_test(<name> SOURCES ... LIBS ...): one GoogleTest binary per subsystem.
function(tolvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  tolvane_target_warnings(${name})
  tolvane_static_runtime(${name})
  tolvane_label_tests()
  if(CMAKE_CROSSCOMPILING)
    # Under Wine each start of a program costs a third of a second: there a suite is one test (its
    # output names a failing case), and the build does not start it to list its cases.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TOLVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "TOLVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    tolvane_label_discovered_tests(${name})
  endif()
endfunction()

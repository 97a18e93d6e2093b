# CTest labels, given in one place: every test has one label for its kind and, when it reads
# Debian's banks or kits, real-data as well. `ctest -L unit` is the quick run of the core.
#   wine         every test of the cross build, run under Wine
#   device       tests on the machine's MIDI and audio devices or on a JACK server they start
#                (those that hold the jack_server resource lock)
#   window       the Qt GUI suites and the window program (tests/ui, the indicator's suite)
#   integration  tests that run the built programs (tests/cli; the Debian package and the
#                Windows zip are tested by scripts, outside ctest)
#   unit         the rest: the core's suites in their own process, the fuzz targets' seeds and
#                the scripts' own tests
# The first rule that matches decides. real-data marks tests that read /usr/share/sounds or
# Hydrogen's kits, so that `-LE real-data` leaves them out.

# Tests that read Debian's banks and kits: regular expressions on a test's name, a GoogleTest
# case (Suite.Case) or a whole program (under Wine, and the Qt Test suites).
set(TOLVANE_REAL_DATA_TESTS
    "^ConvertTest\\.(FilesNotImportedWholeAreNamedAndTheRestGoOn|TimGM6mbExportsWholeWithItsTooLargeGroupSplit|InfoShowsEverySampleOfTheFileAndNamesDamage|FluidR3ExportsWholeAndReadsBack)$"
    "^RoundTripTest\\.EveryFluidR3InstrumentAudibleAtMiddleCStaysAudibleOnceExportedAndReadBack$"
    "^HydrogenKits\\."
    "^Sf3DebianBanks\\."
    "^SoundFontImportTest\\.DataReadAgainAfterItsPagesWereReleasedIsTheSame$"
    "^SoundAnalysisBanks\\."
    "^TimGM6mbTest\\."
    "^tolvane_window_dialog_tests$"
    "^tolvane_window_program_under_xvfb$"
    # suites run whole under Wine that hold such cases
    "^tolvane_(cli|export|sample_file|soundfont)_tests$")

# tolvane_test_kind(<out-var> <source-dir> [<resource-lock>]): the kind label of a test declared
# in <source-dir>.
function(tolvane_test_kind out source_dir resource_lock)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${source_dir})
  if(CMAKE_CROSSCOMPILING)
    set(kind wine)
  elseif("jack_server" IN_LIST resource_lock)
    set(kind device)
  elseif(folder MATCHES "^tests/ui(/|$)" OR folder MATCHES "^tests/devices/indicator$")
    set(kind window)
  elseif(folder MATCHES "^tests/cli$")
    set(kind integration)
  else()
    set(kind unit)
  endif()
  set(${out} ${kind} PARENT_SCOPE)
endfunction()

# tolvane_real_data(<out-var> <test-name>): TRUE when the test reads Debian's banks or kits.
function(tolvane_real_data out name)
  set(${out} FALSE PARENT_SCOPE)
  foreach(pattern IN LISTS TOLVANE_REAL_DATA_TESTS)
    if(name MATCHES "${pattern}")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

# tolvane_label_discovered_tests(<target>): labels the cases gtest_discover_tests finds in
# <target> when ctest runs (they are unknown while CMake configures). Call it after
# gtest_discover_tests in the same folder: the file it adds is read after GoogleTest's, which
# lists the cases in <target>_TESTS.
function(tolvane_label_discovered_tests target)
  tolvane_test_kind(kind ${CMAKE_CURRENT_SOURCE_DIR} "")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${script}
       "# Labels of the cases of ${target} (cmake/TestLabels.cmake).\n"
       "set(real_data [==[${TOLVANE_REAL_DATA_TESTS}]==])\n"
       "foreach(test IN LISTS ${target}_TESTS)\n"
       "  set(labels ${kind})\n"
       "  foreach(pattern IN LISTS real_data)\n"
       "    if(test MATCHES \"\${pattern}\")\n"
       "      list(APPEND labels real-data)\n"
       "      break()\n"
       "    endif()\n"
       "  endforeach()\n"
       "  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"\${labels}\")\n"
       "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# tolvane_label_tests(): labels every test added with add_test in the current folder, at the end
# of its CMakeLists.txt (CMake 3.25 sets a test's properties only in its own folder, and only
# once the test exists). tolvane_add_test calls it; a CMakeLists.txt that calls add_test itself
# calls it first. tolvane_check_test_labels() finds a folder that does not.
function(tolvane_label_tests)
  get_property(deferred DIRECTORY PROPERTY TOLVANE_LABELS_DEFERRED)
  if(NOT deferred)
    set_property(DIRECTORY PROPERTY TOLVANE_LABELS_DEFERRED TRUE)
    cmake_language(DEFER CALL tolvane_label_folder_tests)
    set_property(GLOBAL APPEND PROPERTY TOLVANE_LABELLED_FOLDERS ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
endfunction()

function(tolvane_label_folder_tests)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} RESOURCE_LOCK lock)
    tolvane_test_kind(labels ${CMAKE_CURRENT_SOURCE_DIR} "${lock}")
    tolvane_real_data(real ${test})
    if(real)
      list(APPEND labels real-data)
    endif()
    set_tests_properties(${test} PROPERTIES LABELS "${labels}")
  endforeach()
endfunction()

# tolvane_check_test_labels(): fails the configuration when a folder below this one adds tests
# without labelling them. The top-level CMakeLists.txt calls it last (deferred: after the
# folders' own deferred calls).
function(tolvane_check_test_labels)
  get_property(labelled GLOBAL PROPERTY TOLVANE_LABELLED_FOLDERS)
  set(folders ${CMAKE_CURRENT_SOURCE_DIR})
  while(folders)
    list(POP_FRONT folders folder)
    get_property(below DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${below})
    get_property(tests DIRECTORY ${folder} PROPERTY TESTS)
    if(tests AND NOT folder IN_LIST labelled)
      message(FATAL_ERROR "${folder} adds tests without labels: call tolvane_label_tests() "
                          "last there (cmake/TestLabels.cmake)")
    endif()
  endwhile()
endfunction()

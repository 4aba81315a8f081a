# How tests are registered: CTest is the one runner (scripts/test runs it in every build directory).
#
# A GoogleTest program is made and registered in its own CMakeLists.txt with sarvo_test_program
# (below), which calls
#
#     gtest_discover_tests(<target> TEST_PREFIX <short-name>. DISCOVERY_TIMEOUT 60 PROPERTIES LABELS <label>)
#
# Every test case becomes one CTest test, "<short-name>.<Suite>.<Test>". The cases are listed when
# ctest starts (PRE_TEST), by running the program with --gtest_list_tests through the target's
# CROSSCOMPILING_EMULATOR: Wine for the Windows builds (cmake/mingw-*.cmake), a display of its own
# (tests/support/with_display.sh) for programs that open X11 windows. A GTEST_SKIP is reported by
# CTest as a skipped test. The prefix keeps names apart when two programs share test suites.
#
# The sanitizer and fuzzing builds label every test they register (asan, tsan, fuzz) through the
# directory's LABELS, so ctest -L selects their runs.
include(GoogleTest)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
if(SARVO_TEST_LABEL)
  set_property(DIRECTORY PROPERTY LABELS ${SARVO_TEST_LABEL})
endif()

# Runs a command with an X display of its own (an Xvfb that ends with it); for the targets that
# open windows, as their CROSSCOMPILING_EMULATOR.
set(SARVO_WITH_DISPLAY ${CMAKE_SOURCE_DIR}/tests/support/with_display.sh)
if(NOT WIN32)
  find_package(Threads REQUIRED)
endif()

# sarvo_test_properties(<target> PROPERTIES <name> <value> ...)
# Sets properties on every test gtest_discover_tests found in <target>, once they are listed.
# Unlike gtest_discover_tests' own PROPERTIES, a value may be a list: several LABELS, or an
# ENVIRONMENT of several variables ("ASAN_OPTIONS=...;UBSAN_OPTIONS=..."). Call it after
# gtest_discover_tests, in the same directory, once per target (sarvo_test_program calls it for its
# ENVIRONMENT and LABELS). Values may hold generator expressions.
function(sarvo_test_properties target)
  if(NOT ARGV1 STREQUAL "PROPERTIES" OR ARGC LESS 4)
    message(FATAL_ERROR "sarvo_test_properties(${target} PROPERTIES name value ...)")
  endif()
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_test_properties.cmake)
  set(text "set_tests_properties(\${${target}_TESTS} PROPERTIES")
  math(EXPR last "${ARGC} - 1")
  foreach(i RANGE 2 ${last})
    string(APPEND text " [==[${ARGV${i}}]==]")
  endforeach()
  file(GENERATE OUTPUT ${file} CONTENT "${text})\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()

# sarvo_test_program(<target> PREFIX <short-name> LABELS <label>... SOURCES <file>...
#                    [LIBS <library>...] [INCLUDES <dir>...] [DEFINES <definition>...]
#                    [DEPENDS <target>...] [TEST_FILTER <gtest filter>] [WITH_DISPLAY]
#                    [ENVIRONMENT <NAME=value>...] [PROPERTIES <name> <value>...])
# Makes a GoogleTest program and registers its cases as "<short-name>.<Suite>.<Test>":
# - the executable from SOURCES and the shared test support (tests/support/*.cpp), with tests/ on its
#   include path and SARVO_SOURCE_DIR defined, linked with GoogleTest (its own main) and LIBS;
# - the Windows builds link the C++ runtime and the threads library in (-static), so the program
#   runs under Wine with no DLL beside it; the others link the threads library;
# - DEPENDS: targets built first (a module the program loads);
# - WITH_DISPLAY: each run gets an X display of its own (a program that opens X11 windows);
# - discovery with gtest_discover_tests, only the cases TEST_FILTER selects when given; every case
#   gets the LABELS (a sanitizer build adds its own), the ENVIRONMENT variables and the PROPERTIES
#   (single values, such as RESOURCE_LOCK x11).
function(sarvo_test_program target)
  cmake_parse_arguments(T "WITH_DISPLAY" "PREFIX;TEST_FILTER"
    "LABELS;SOURCES;LIBS;INCLUDES;DEFINES;DEPENDS;ENVIRONMENT;PROPERTIES" ${ARGN})
  if(NOT T_PREFIX OR NOT T_LABELS OR NOT T_SOURCES OR T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "sarvo_test_program(${target} PREFIX name LABELS label... SOURCES file... ...): "
      "${T_UNPARSED_ARGUMENTS}")
  endif()
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  add_executable(${target} ${T_SOURCES} ${support})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${T_INCLUDES})
  target_compile_definitions(${target} PRIVATE SARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ${T_DEFINES})
  target_link_libraries(${target} PRIVATE ${T_LIBS} ${SARVO_GTEST})
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    target_link_libraries(${target} PRIVATE Threads::Threads)
  endif()
  if(T_DEPENDS)
    add_dependencies(${target} ${T_DEPENDS})
  endif()
  if(T_WITH_DISPLAY)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${SARVO_WITH_DISPLAY})
  endif()
  set(filter)
  if(T_TEST_FILTER)
    set(filter TEST_FILTER ${T_TEST_FILTER})
  endif()
  list(GET T_LABELS 0 label)
  gtest_discover_tests(${target} TEST_PREFIX ${T_PREFIX}. ${filter} DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label} ${T_PROPERTIES})
  # Lists go through sarvo_test_properties (once per program): several labels, the variables.
  list(LENGTH T_LABELS labels)
  if(labels GREATER 1 AND T_ENVIRONMENT)
    sarvo_test_properties(${target} PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${T_ENVIRONMENT}")
  elseif(labels GREATER 1)
    sarvo_test_properties(${target} PROPERTIES LABELS "${T_LABELS}")
  elseif(T_ENVIRONMENT)
    sarvo_test_properties(${target} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# Once the whole project is configured, for every program gtest_discover_tests registered:
# - it must list at least one test (with its TEST_FILTER, and through Wine, which may run nothing and
#   answer 0): where one lists none, a failing test "<target>.no_test_listed" stands in for its tests;
# - in the Windows builds its tests run one at a time (RESOURCE_LOCK desktop): they share one display
#   and Wine session, whose focus and pointer two editor tests side by side would take from each other.
function(sarvo_finish_tests dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_property(discovered TARGET ${target} PROPERTY CTEST_DISCOVERED_TEST_COUNTER SET)
    if(discovered)
      get_property(binary_dir DIRECTORY ${dir} PROPERTY BINARY_DIR)
      set(file ${binary_dir}/${target}_finish_tests.cmake)
      string(CONCAT text "if(NOT ${target}_TESTS)\n"
        "  add_test(${target}.no_test_listed \"${CMAKE_COMMAND}\" -E false)\n")
      if(WIN32)
        string(APPEND text "else()\n  set_tests_properties(\${${target}_TESTS} PROPERTIES RESOURCE_LOCK desktop)\n")
      endif()
      file(WRITE ${file} "${text}endif()\n")
      set_property(DIRECTORY ${dir} APPEND PROPERTY TEST_INCLUDE_FILES ${file})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    sarvo_finish_tests(${subdir})
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL sarvo_finish_tests ${CMAKE_SOURCE_DIR})

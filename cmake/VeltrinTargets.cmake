# Helpers that give every subsystem library and test executable the same shape.
include(GoogleTest)

# veltrin_subsystem(<name> [DEPS <targets>...]): a static library of the system's own code made of
# every .cpp below the folder; its symbols stay hidden so that npVeltrin.so exports only its entry points.
function(veltrin_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${PROJECT_SOURCE_DIR})
  if(sources)
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  endif()
  if(ARG_DEPS)
    target_link_libraries(${name} ${scope} ${ARG_DEPS})
  endif()
endfunction()

# veltrin_test(<name> LABELS <labels>... [SOURCES <files>...] [LIBS <targets>...]): one GoogleTest
# executable whose cases are registered one by one with CTest, each carrying the given labels.
function(veltrin_test name)
  cmake_parse_arguments(ARG "" "" "LABELS;SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  endif()
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # CMake 3.25's gtest_discover_tests splits list-valued PROPERTIES ("platform;e2e" would leave a
  # test with the first label only, and the environment unset): set them from a file that CTest
  # reads after the discovered tests.
  gtest_discover_tests(${name} TEST_LIST ${name}_TESTS DISCOVERY_TIMEOUT 60)
  set(environment "VELTRIN_BUILD_DIR=${CMAKE_BINARY_DIR};VELTRIN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(VELTRIN_SANITIZE)
    # One-time allocations of system libraries (GStreamer, glib, fontconfig) are not leaks of ours.
    string(APPEND environment ";LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/scripts/lsan.supp:print_suppressions=0")
  endif()
  if(VELTRIN_TSAN)
    # What the uninstrumented system libraries (GStreamer, GLib) do themselves is theirs: the C
    # library calls they make (frees, copies, locks) are not checked. Ours on their threads are.
    string(APPEND environment ";TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/scripts/tsan.supp:ignore_noninstrumented_modules=1:second_deadlock_stack=1")
  endif()
  set(properties_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${properties_file}
    "foreach(test IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${ARG_LABELS}\"\n"
    "    ENVIRONMENT \"${environment}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties_file})
endfunction()

# veltrin_test_folder(<prefix> LABEL <label> [EXCLUDE <regex>] [LIBS <targets>...]): every *_test.cpp
# below the folder (but those whose path matches EXCLUDE)
# becomes <prefix>_tests labelled <label>; every *_e2e_test.cpp (tests that load npVeltrin.so or use
# the loopback camera) becomes <prefix>_e2e_tests labelled <label> and e2e.
function(veltrin_test_folder prefix)
  cmake_parse_arguments(ARG "" "LABEL;EXCLUDE" "LIBS" ${ARGN})
  file(GLOB_RECURSE all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(ARG_EXCLUDE)
    list(FILTER all EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  set(unit "")
  set(e2e "")
  foreach(f ${all})
    if(f MATCHES "_e2e_test\\.cpp$")
      list(APPEND e2e ${f})
    else()
      list(APPEND unit ${f})
    endif()
  endforeach()
  if(unit)
    veltrin_test(${prefix}_tests LABELS ${ARG_LABEL} SOURCES ${unit} LIBS ${ARG_LIBS})
  endif()
  if(e2e)
    veltrin_test(${prefix}_e2e_tests LABELS ${ARG_LABEL} e2e SOURCES ${e2e} LIBS ${ARG_LIBS})
  endif()
endfunction()

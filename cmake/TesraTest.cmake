find_package(GTest REQUIRED)

# How the sanitizers run the tests: every fault ends the test with a stack, and the leaks of the system
# libraries listed in tests/sanitize/lsan.supp are not reported. GLib's slice allocator would hide our own leaks.
# The system libraries are built without frame pointers, so the fast unwinder stops at g_malloc; the slow
# one gives whole stacks, which the suppressions need to tell a library's own memory from ours.
set(sanitize_dir ${CMAKE_SOURCE_DIR}/tests/sanitize)
set(TESRA_SANITIZE_ENVIRONMENT
  "ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0"
  "LSAN_OPTIONS=suppressions=${sanitize_dir}/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${sanitize_dir}/ubsan.supp"
  "G_SLICE=always-malloc")

# The tests' own code under the sanitizers: unoptimised, which compiles it a third faster and reports as
# precisely; the code under test keeps -O1. The bases and their tests must agree, for the precompiled headers.
function(tesra_test_code_options target)
  if(TESRA_SANITIZE)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# One test executable per test source, with the shared objects and precompiled headers of its base:
#   tesra_add_test(NAME name SOURCES a.cpp ... BASE object-library [LIBS ...] [LABELS ...])
function(tesra_add_test)
  cmake_parse_arguments(T "" "NAME;BASE" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_BASE} ${T_LIBS} GTest::gtest GTest::gmock)
  set_target_properties(${T_NAME} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
  tesra_test_code_options(${T_NAME})
  target_precompile_headers(${T_NAME} REUSE_FROM ${T_BASE})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(labels unit)
  if(T_LABELS)
    set(labels ${T_LABELS})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}" TIMEOUT 300)
  if(TESRA_SANITIZE)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${TESRA_SANITIZE_ENVIRONMENT}")
  endif()
  set_property(GLOBAL APPEND PROPERTY TESRA_UNIT_TESTS ${T_NAME})
endfunction()

# End-to-end test: a bash script run against the built program under a virtual display.
function(tesra_add_e2e NAME SCRIPT)
  add_test(NAME ${NAME} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/${SCRIPT})
  # Each test has its own display, bus, home, runtime folder and ports, but two side by side on two cores
  # stretched the waits of the web engine's tests past their bounds (3 of 32 failed in one of two runs), so
  # they run one at a time.
  set_tests_properties(${NAME} PROPERTIES LABELS e2e TIMEOUT 300 RESOURCE_LOCK e2e
    ENVIRONMENT "TESRA_BUILD=${CMAKE_BINARY_DIR};TESRA_SOURCE=${CMAKE_SOURCE_DIR}")
endfunction()

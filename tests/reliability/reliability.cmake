# Reliability: a writer killed half way, hostile files and surroundings, hostile input.
# Included from tests/CMakeLists.txt, so velloran_test() and test_support are at hand.
set(reliability_dir ${CMAKE_CURRENT_LIST_DIR})

# A second process on finance.mdb: writes units of entries until killed, or holds the file.
add_executable(ledger-writer ${reliability_dir}/ledger_writer.cpp ${reliability_dir}/LedgerUnits.h)
target_link_libraries(ledger-writer PRIVATE velloran_lib)

# The window started in another process, so that it can run without root's privileges.
add_executable(window-probe ${reliability_dir}/window_probe.cpp ${reliability_dir}/WindowRun.h)
target_link_libraries(window-probe PRIVATE test_support)

function(reliability_test name)
  velloran_test(${name} ${ARGN} ${reliability_dir}/ReliabilitySupport.h ${reliability_dir}/WindowRun.h)
  target_include_directories(${name} PRIVATE ${reliability_dir})
  target_compile_definitions(${name} PRIVATE LEDGER_WRITER="$<TARGET_FILE:ledger-writer>"
                                             WINDOW_PROBE="$<TARGET_FILE:window-probe>")
  add_dependencies(${name} ledger-writer window-probe)
endfunction()

reliability_test(test_interrupted_writes ${reliability_dir}/test_interrupted_writes.cpp ${reliability_dir}/LedgerUnits.h)
reliability_test(test_hostile_files ${reliability_dir}/test_hostile_files.cpp)
reliability_test(test_hostile_input ${reliability_dir}/test_hostile_input.cpp)
reliability_test(test_password_change ${reliability_dir}/test_password_change.cpp)
# A ledger of 100 000 entries changed at 30 moments and on 10 full disks.
set_tests_properties(test_password_change PROPERTIES TIMEOUT 900)
# Its killing function takes about five minutes alone, longer on a busy machine: Qt's own limit
# of five minutes a function would stop it before ctest's does.
set_property(TEST test_password_change APPEND PROPERTY ENVIRONMENT "QTEST_FUNCTION_TIMEOUT=840000")
reliability_test(test_damaged_import ${reliability_dir}/test_damaged_import.cpp)
target_compile_definitions(test_damaged_import PRIVATE LEGACY_FIXTURE="${CMAKE_SOURCE_DIR}/tests/fixtures/legacy-2010.mdb"
                                                       IMPORT_TOOL="$<TARGET_FILE:velloran-import>")
add_dependencies(test_damaged_import velloran-import)

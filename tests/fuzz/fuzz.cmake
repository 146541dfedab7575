# Short libFuzzer runs over the Jet translator and the field conversions. The script builds
# its own clang binaries (separate from this build) under the test binary folder, so it also
# runs from a clean checkout; it reports itself skipped where clang cannot link libFuzzer.
add_test(NAME fuzz_short
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run_fuzz.sh -t 15 -o ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
set_tests_properties(fuzz_short PROPERTIES
                     TIMEOUT 90
                     SKIP_REGULAR_EXPRESSION "skipped: clang with libFuzzer not found")

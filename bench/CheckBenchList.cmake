# Test: scripts/bench --list names exactly the benchmark targets, so that the script
# runs every benchmark and nothing else. Run with -DSCRIPT=... -DBUILD_DIR=...
# -DEXPECTED=<comma-separated target names>.
execute_process(COMMAND bash ${SCRIPT} --list ${BUILD_DIR}
                OUTPUT_VARIABLE listed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "scripts/bench --list failed with status ${status}")
endif()
string(STRIP "${listed}" listed)
string(REPLACE "\n" ";" listed "${listed}")
list(SORT listed)
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
if(NOT "${listed}" STREQUAL "${expected}")
  message(FATAL_ERROR "scripts/bench would run [${listed}]; the benchmarks are [${expected}]")
endif()
message(STATUS "scripts/bench runs: ${listed}")

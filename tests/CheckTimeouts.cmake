# Fails when a test of the build in BUILD_DIR has no TIMEOUT property (run with cmake -P).
execute_process(COMMAND ${CTEST} --test-dir ${BUILD_DIR} --show-only=json-v1
  OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest --show-only failed: ${result}")
endif()
string(JSON tests LENGTH "${listing}" tests)
string(REGEX MATCHALL "\"name\" *: *\"TIMEOUT\"" timed "${listing}")
list(LENGTH timed timedCount)
if(tests LESS 2 OR NOT timedCount EQUAL tests)
  message(FATAL_ERROR "${tests} tests, ${timedCount} of them with a TIMEOUT: every test needs one")
endif()
message(STATUS "${tests} tests, each with a TIMEOUT")

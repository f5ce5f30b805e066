# Runs the rules' fuzzer for a bounded number of inputs, starting from a fresh copy of the seed
# corpus so that the inputs it adds stay in the build folder and every run starts alike.
#   cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DRUNS=... -P RunFuzzer.cmake
# A broken invariant, a sanitizer report or a crash fails the run; the input that caused it is
# left in WORK/artifacts.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/artifacts")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")

# A fixed seed and a fixed number of runs make every run the same on any machine; a hang is
# left to the test's time-out.
execute_process(
    COMMAND "${FUZZER}" -runs=${RUNS} -seed=1 -max_len=512 -timeout=10
            -print_final_stats=1 "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The rules' fuzzer failed (${result}); its input is in ${WORK}/artifacts")
endif()

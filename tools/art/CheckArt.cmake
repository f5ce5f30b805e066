# Runs the picture generator into OUTPUT and compares every file with the one in EXPECTED.
file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT})
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "generate_art failed: ${result}")
endif()
foreach(name block_grey.bmp block_red.bmp app.ico)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${name} ${EXPECTED}/${name}
                    RESULT_VARIABLE different)
    if(different)
        message(FATAL_ERROR "${name} differs from what generate_art makes now; run "
                            "tools/make-art.sh and commit the pictures")
    endif()
endforeach()

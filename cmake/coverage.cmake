# The coverage build (tools/coverage.sh): a checked Windows build whose own code, under src/ and
# tests/, counts the lines and branches it runs. Included at the end of the top-level list, once
# every target exists. src/checked/CoverageFlush.cpp is part of every checked build, so that the
# checked code can always call it; it does nothing unless KV_COVERAGE is on.
option(KV_COVERAGE "Count the lines and branches that the tests run (tools/coverage.sh)" OFF)

if(NOT KV_COVERAGE)
    return()
endif()
if(KV_HOST_RULES_ONLY OR NOT KV_CHECKED_BUILD)
    message(FATAL_ERROR "KV_COVERAGE needs a checked Windows build (a MinGW toolchain file, "
                        "KV_CHECKED_BUILD on)")
endif()

# Adds the counters to every target of our own code in `directory` and below; GoogleTest, built
# from its own folder, is left as it is.
function(kv_add_coverage directory)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$")
            # Unoptimised, so that every count belongs to the line it is reported for.
            target_compile_options(${target} PRIVATE --coverage -O0)
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${subdirectory} ours)
        if(ours)
            kv_add_coverage(${subdirectory})
        endif()
    endforeach()
endfunction()

# The gcov of the compiler that made the counters: i686-w64-mingw32-g++-posix goes with
# i686-w64-mingw32-gcov-posix.
get_filename_component(kv_compiler_name ${CMAKE_CXX_COMPILER} NAME)
string(REPLACE "g++" "gcov" kv_gcov_name ${kv_compiler_name})
find_program(KV_GCOV NAMES ${kv_gcov_name} REQUIRED)

# The test of the counts' saving itself.
if(BUILD_TESTING)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/coverage ${CMAKE_BINARY_DIR}/tests/coverage)
endif()

kv_add_coverage(${PROJECT_SOURCE_DIR})

target_compile_definitions(kv_checked PRIVATE KV_COVERAGE)
# Every Windows executable links kv_checked, whose CoverageFlush.cpp defines the wrappers.
target_link_options(kv_checked INTERFACE --coverage -Wl,--wrap=__gcov_init -Wl,--wrap=__gcov_exit)

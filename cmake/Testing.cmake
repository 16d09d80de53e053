# torem_add_test(NAME SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable, its tests discovered into CTest.
function(torem_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    torem_warnings(${name})
    set(properties ${T_PROPERTIES})
    if(T_LABELS)
        list(PREPEND properties LABELS "${T_LABELS}")
    endif()
    if(CMAKE_CROSSCOMPILING)
        # The executable runs only under the emulator (wine), which the build
        # does not need: the tests are listed when CTest starts. The first
        # start of a fresh wine prefix takes a while.
        gtest_discover_tests(${name}
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 120
            PROPERTIES ${properties})
    else()
        gtest_discover_tests(${name}
            DISCOVERY_TIMEOUT 30
            PROPERTIES ${properties})
    endif()
endfunction()

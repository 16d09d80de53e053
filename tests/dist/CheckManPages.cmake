# Renders each manual page as man shows it, with groff's warnings on: a page
# must render without a single warning.
# Run as: cmake -DMAN=<man program> -DPAGES=<page;page...> -P CheckManPages.cmake

cmake_minimum_required(VERSION 3.25)

set(faults "")
foreach(page IN LISTS PAGES)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 ${MAN} --warnings -l ${page}
                    RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE warnings)
    if(NOT result EQUAL 0 OR NOT warnings STREQUAL "" OR NOT text MATCHES "NAME")
        string(APPEND faults "${page}: exit ${result}\n${warnings}\n")
    endif()
endforeach()
if(faults)
    message(FATAL_ERROR "Manual pages that do not render cleanly:\n${faults}")
endif()

# Checks where Qt and platform headers are included:
#   - Qt headers only under app/qt/ (and its tests, tests/app/qt/);
#   - platform headers (termios, ioctl, flock, pty, poll, Win32, Windows
#     multimedia, RtMidi, ALSA, JACK) only in a platform/ folder or in tools/
#     (and their tests).
# Run as: cmake -DROOT=<source dir> -P CheckLayers.cmake
# Fails with one line per misplaced include.

if(NOT ROOT)
    message(FATAL_ERROR "CheckLayers.cmake: pass -DROOT=<source dir>")
endif()

set(qt_header "^(Q[A-Za-z0-9]*|Qt[A-Za-z0-9]*/.*)$")
set(platform_header
    "^(termios\\.h|sys/ioctl\\.h|sys/file\\.h|pty\\.h|poll\\.h|windows\\.h|mmsystem\\.h|RtMidi\\.h|alsa/.*|jack/.*)$")

# Build trees (with a wine prefix, say) and other people's code are not ours
# to check, nor to walk through.
file(GLOB top_entries RELATIVE ${ROOT} ${ROOT}/*)
set(sources "")
foreach(entry IN LISTS top_entries)
    if(entry MATCHES "^(build[^/]*|out|\\.git)$")
        continue()
    endif()
    if(IS_DIRECTORY ${ROOT}/${entry})
        file(GLOB_RECURSE found RELATIVE ${ROOT}
             ${ROOT}/${entry}/*.h ${ROOT}/${entry}/*.hpp ${ROOT}/${entry}/*.cpp ${ROOT}/${entry}/*.cc)
        list(APPEND sources ${found})
    elseif(entry MATCHES "\\.(h|hpp|cpp|cc)$")
        list(APPEND sources ${entry})
    endif()
endforeach()

set(faults "")
set(checked 0)
foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    set(qt_allowed FALSE)
    if(source MATCHES "^(tests/)?app/qt/")
        set(qt_allowed TRUE)
    endif()
    set(platform_allowed FALSE)
    if(source MATCHES "(^|/)platform/" OR source MATCHES "^(tests/)?tools/")
        set(platform_allowed TRUE)
    endif()

    file(STRINGS ${ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
        if(NOT qt_allowed AND header MATCHES "${qt_header}")
            string(APPEND faults "${source}: Qt header <${header}> outside app/qt/\n")
        endif()
        if(NOT platform_allowed AND header MATCHES "${platform_header}")
            string(APPEND faults "${source}: platform header <${header}> outside a platform/ folder and tools/\n")
        endif()
    endforeach()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "CheckLayers.cmake: no sources found under ${ROOT}")
endif()
if(faults)
    message(FATAL_ERROR "Headers included where their layer does not allow them:\n${faults}")
endif()
message(STATUS "${checked} files checked: Qt and platform headers are in their places")

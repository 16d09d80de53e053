# Shows that CheckLayers.cmake refuses what it should and accepts the rest:
# small trees with one include each (beside a plain source), checked one by
# one.
# Run as: cmake -DCHECK=<CheckLayers.cmake> -DWORK=<scratch dir> -P CheckLayersSelfTest.cmake

function(expect_check file text expected)
    set(tree ${WORK}/tree)
    file(REMOVE_RECURSE ${tree})
    file(WRITE ${tree}/conversion/Plain.cpp "#include <vector>\n")
    file(WRITE ${tree}/${file} "${text}\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${tree} -P ${CHECK}
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(result EQUAL 0)
        set(outcome pass)
    else()
        set(outcome fail)
    endif()
    if(NOT outcome STREQUAL expected)
        message(FATAL_ERROR "${file} with '${text}': the check should ${expected}, it did ${outcome}")
    endif()
endfunction()

expect_check(conversion/Probe.h "#include <QString>" fail)
expect_check(bridge/LiveProbe.cpp "#include <QtCore/QTimer>" fail)
expect_check(app/Probe.cpp "#  include <QWidget>" fail)
expect_check(bridge/Probe.cpp "#include <termios.h>" fail)
expect_check(app/settings/Probe.cpp "#include <windows.h>" fail)
expect_check(conversion/Probe.cpp "#include <RtMidi.h>" fail)
expect_check(app/qt/Probe.cpp "#include <poll.h>" fail)
expect_check(app/qt/Probe.cpp "#include <QWidget>" pass)
expect_check(tests/app/qt/Probe.cpp "#include <QtTest/QTest>" pass)
expect_check(bench/app/qt/Probe.cpp "#include <QPainter>" pass)
expect_check(bench/Probe.cpp "#include <QPainter>" fail)
expect_check(bridge/platform/Probe.cpp "#include <termios.h>" pass)
expect_check(files/platform/Probe.cpp "#include <windows.h>" pass)
expect_check(tools/Probe.cpp "#include <pty.h>" pass)
expect_check(conversion/Probe.cpp "#include <vector>" pass)
# The system's file calls belong in files/platform/, not beside the file
# rules they serve; any sys/ header, Windows' names in any letter case.
foreach(header unistd.h fcntl.h sys/stat.h sys/statfs.h io.h Windows.h signal.h pthread.h linux/magic.h)
    expect_check(files/Probe.cpp "#include <${header}>" fail)
    expect_check(files/platform/Probe.cpp "#include <${header}>" pass)
endforeach()
expect_check(files/Probe.cpp "#include <csignal>" pass)
expect_check(files/Probe.cpp "#include <wchar.h>" pass)
expect_check(tests/files/Probe.cpp "#include <sys/wait.h>" fail)
expect_check(tests/support/platform/Probe.cpp "#include <sys/wait.h>" pass)
expect_check(app/win32/Probe.cpp "#include <windows.h>" pass)
expect_check(Probe.cpp "#include <windows.h>" fail)
# A build tree is not walked: a wine prefix in it holds a whole C: drive.
expect_check(build-windows/wineprefix/drive_c/Probe.h "#include <windows.h>" pass)

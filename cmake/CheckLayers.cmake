# Checks where Qt and platform headers are included:
#   - Qt headers only under app/qt/ (and its tests and benchmarks,
#     tests/app/qt/ and bench/app/qt/);
#   - platform headers (POSIX and Linux, Win32 and the Windows C run-time,
#     the MIDI systems) only in a platform/ folder, in tools/ or in the
#     native Windows face app/win32/ (and their tests): the core reaches the
#     system through interfaces of its own. The C and C++ standard headers
#     (<cstdio>, <wchar.h>...) are the core's to use; <signal.h> is not,
#     for what POSIX adds to it (<csignal> is).
# Run as: cmake -DROOT=<source dir> -P CheckLayers.cmake
# Fails with one line per misplaced include.

if(NOT ROOT)
    message(FATAL_ERROR "CheckLayers.cmake: pass -DROOT=<source dir>")
endif()

set(qt_header "^(Q[A-Za-z0-9]*|Qt[A-Za-z0-9]*/.*)$")
# Matched letter case aside, as Windows' own names are.
set(platform_headers
    # POSIX, and what Linux and glibc add to it
    unistd fcntl "sys/.*" signal termios poll pty utmp dirent pwd grp dlfcn spawn pthread sched semaphore mqueue
    aio libgen glob fnmatch wordexp syslog netdb "netinet/.*" "arpa/.*" "net/.*" ucontext utime strings ftw
    langinfo nl_types iconv regex mntent paths shadow ifaddrs resolv execinfo err getopt endian byteswap malloc
    alloca features "linux/.*" "asm/.*" "bits/.*" libudev
    # Win32 and the Windows C run-time
    windows winbase windef winnt winuser wingdi winreg winerror winioctl wincon winsock winsock2 ws2tcpip
    mswsock iphlpapi mmsystem mmreg mmddk io direct share process conio tchar crtdbg excpt shellapi shlobj
    shlwapi objbase ole2 commctrl commdlg setupapi cfgmgr32 dbt knownfolders ntdef ntstatus winternl aclapi
    accctrl sddl lmcons psapi tlhelp32 dbghelp fileapi handleapi processthreadsapi synchapi errhandlingapi
    versionhelpers dwmapi uxtheme
    # The MIDI and sound systems
    RtMidi "alsa/.*" "jack/.*" "CoreMIDI/.*" "CoreAudio/.*" "CoreFoundation/.*")
list(JOIN platform_headers "|" platform_alternatives)
string(REPLACE "|" "\\.h|" platform_alternatives "${platform_alternatives}")
string(TOLOWER "^(${platform_alternatives}\\.h)$" platform_header)
string(REPLACE ".*\\.h" ".*" platform_header "${platform_header}")

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
    if(source MATCHES "^(tests/|bench/)?app/qt/")
        set(qt_allowed TRUE)
    endif()
    set(platform_allowed FALSE)
    if(source MATCHES "(^|/)platform/" OR source MATCHES "^(tests/)?(tools|app/win32)/")
        set(platform_allowed TRUE)
    endif()

    file(STRINGS ${ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
        if(NOT qt_allowed AND header MATCHES "${qt_header}")
            string(APPEND faults "${source}: Qt header <${header}> outside app/qt/\n")
        endif()
        string(TOLOWER "${header}" lower_header)
        if(NOT platform_allowed AND lower_header MATCHES "${platform_header}")
            string(APPEND faults "${source}: platform header <${header}> outside a platform/ folder, tools/ and app/win32/\n")
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

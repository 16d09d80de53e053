# Installs the build into a fresh prefix and checks what a user gets: every
# file where the desktop and man look for it and nothing else, icons of the
# size their folder says, a menu entry whose command and icon are installed,
# and programs that run from there.
# Run as: cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix> -DID=<desktop id>
#               -DVERSION=<project version> -P CheckInstallTree.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${error}")
endif()

set(programs torem-bridge torem-convert torem-seq torem-devsim torem-example-midi torem-live)
set(sizes 16 22 24 32 48 64 128 256)
set(expected
    share/applications/${ID}.desktop
    share/metainfo/${ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/torem-bridge.svg
    share/doc/torem-bridge/LICENSE
    share/doc/torem-bridge/README.md)
foreach(program IN LISTS programs)
    list(APPEND expected bin/${program} share/man/man1/${program}.1.gz)
endforeach()
foreach(size IN LISTS sizes)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/torem-bridge.png)
endforeach()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
set(faults "")
foreach(path IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${path})
        string(APPEND faults "missing: ${path}\n")
    endif()
endforeach()
foreach(path IN LISTS installed)
    if(NOT path IN_LIST expected)
        string(APPEND faults "not expected: ${path}\n")
    endif()
endforeach()

# A PNG's width and height are the 4-byte numbers at offsets 16 and 20.
foreach(size IN LISTS sizes)
    set(png ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/torem-bridge.png)
    if(EXISTS ${png})
        file(READ ${png} header LIMIT 24 HEX)
        string(SUBSTRING "${header}" 0 16 signature)
        string(SUBSTRING "${header}" 32 16 dimensions)
        string(SUBSTRING "${dimensions}" 0 8 w)
        string(SUBSTRING "${dimensions}" 8 8 h)
        math(EXPR w "0x${w}")
        math(EXPR h "0x${h}")
        if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
            string(APPEND faults "${size}x${size} icon is a ${w}x${h} picture (signature ${signature})\n")
        endif()
    endif()
endforeach()

# The menu entry starts an installed program and shows an installed icon.
set(entry ${PREFIX}/share/applications/${ID}.desktop)
if(EXISTS ${entry})
    file(STRINGS ${entry} exec REGEX "^Exec=")
    file(STRINGS ${entry} icon REGEX "^Icon=")
    string(REGEX REPLACE "^Exec=([^ ]*).*$" "\\1" exec "${exec}")
    string(REGEX REPLACE "^Icon=" "" icon "${icon}")
    if(NOT EXISTS ${PREFIX}/bin/${exec})
        string(APPEND faults "the menu entry starts '${exec}', which is not installed\n")
    endif()
    if(NOT EXISTS ${PREFIX}/share/icons/hicolor/scalable/apps/${icon}.svg)
        string(APPEND faults "the menu entry shows icon '${icon}', which is not installed\n")
    endif()
endif()
set(metainfo ${PREFIX}/share/metainfo/${ID}.metainfo.xml)
if(EXISTS ${metainfo})
    file(READ ${metainfo} text)
    if(NOT text MATCHES "<launchable type=\"desktop-id\">${ID}.desktop</launchable>")
        string(APPEND faults "the metainfo does not launch ${ID}.desktop\n")
    endif()
    if(NOT text MATCHES "<release version=\"${VERSION}\"")
        string(APPEND faults "the metainfo has no release ${VERSION}\n")
    endif()
endif()

# The installed programs run from there.
foreach(program IN LISTS programs)
    if(EXISTS ${PREFIX}/bin/${program})
        execute_process(COMMAND ${PREFIX}/bin/${program} --version
                        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_QUIET)
        if(NOT result EQUAL 0 OR NOT out STREQUAL "${program} ${VERSION}\n")
            string(APPEND faults "installed ${program} --version gave ${result}: ${out}\n")
        endif()
    endif()
endforeach()

if(faults)
    message(FATAL_ERROR "The install tree in ${PREFIX} is not what a user needs:\n${faults}")
endif()
list(LENGTH installed count)
message(STATUS "${count} files installed, each where it belongs")

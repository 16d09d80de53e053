# Makes the Debian package as the README says, and checks its name, the
# libraries dpkg-shlibdeps found in the programs, and its contents.
# Run as: cmake -DCONFIG=<CPackConfig.cmake> -DOUT=<scratch dir> -DID=<desktop id>
#               -DVERSION=<project version> -P CheckPackage.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND cpack -G DEB --config ${CONFIG} -B ${OUT}
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${log}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${OUT}/torem-bridge_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
    file(GLOB made ${OUT}/*.deb)
    message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
endif()

set(faults "")
execute_process(COMMAND dpkg-deb --field ${deb} Depends OUTPUT_VARIABLE depends)
foreach(library IN ITEMS libqt6widgets6 libqt6gui6 libqt6core6 librtmidi6 libc6)
    if(NOT depends MATCHES "(^|, )${library} ")
        string(APPEND faults "Depends lacks ${library}: ${depends}\n")
    endif()
endforeach()
execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE contents)
foreach(path IN ITEMS usr/bin/torem-bridge usr/bin/torem-convert usr/bin/torem-seq usr/bin/torem-devsim usr/bin/torem-example-midi
                      usr/bin/torem-live
                      usr/share/applications/${ID}.desktop usr/share/metainfo/${ID}.metainfo.xml
                      usr/share/icons/hicolor/scalable/apps/torem-bridge.svg
                      usr/share/icons/hicolor/48x48/apps/torem-bridge.png
                      usr/share/man/man1/torem-bridge.1.gz usr/share/doc/torem-bridge/LICENSE)
    if(NOT contents MATCHES " \\./${path}\n")
        string(APPEND faults "the package lacks /${path}\n")
    endif()
endforeach()
if(faults)
    message(FATAL_ERROR "${deb}:\n${faults}")
endif()
message(STATUS "${deb}: Depends: ${depends}")

# The Debian package: in the build folder, `cpack -G DEB` makes
# torem-bridge_<version>_<arch>.deb from the install rules. The libraries it
# needs are read from the programs by dpkg-shlibdeps (package dpkg-dev).

set(CPACK_PACKAGE_NAME torem-bridge)
set(CPACK_PACKAGE_VENDOR "TOREM devices")
set(CPACK_PACKAGE_CONTACT "TOREM bridge maintainers <bridge@torem-devices.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MIDI to TOREM sequence bridge: MIDI files and live MIDI for a TOREM device")
set(CPACK_PACKAGE_DESCRIPTION
    "Drives a TOREM output device (256 outputs, levels 0-255, over RS232): converts the notes of Standard MIDI Files into the device's sequence files, and plays live MIDI notes on the device. With command-line tools to convert, to write a demonstration MIDI file and to simulate the device.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.torem-devices.example/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TOREM_BUILD_GUI)
    # Loaded at run time, out of sight of dpkg-shlibdeps: the font the
    # window's fixed layout is measured in. Qt's X11 plugin comes with its
    # GUI library and serves Wayland desktops through XWayland; qt6-wayland
    # (and the QML stack it brings) is left to the user.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
endif()

include(CPack)

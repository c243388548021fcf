# `make package`: a .deb through CPack. Library dependencies come from dpkg-shlibdeps;
# the plugins and fonts Corvina loads at run time are named here.
set(CPACK_PACKAGE_NAME corvina)
set(CPACK_PACKAGE_VENDOR "The Corvina authors")
set(CPACK_PACKAGE_CONTACT "The Corvina authors <corvina@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop widget overlay: your widgets on every screen, one key away")
set(CPACK_PACKAGE_INSTALL_DIRECTORY corvina)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# qt6-wayland: without it Qt falls back to XWayland on a Wayland session, where the
# backdrop cannot be captured and F12 arrives only while an X11 window has focus.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libicu72, qt6-qpa-plugins, qt6-wayland, libqt6svg6, fonts-inter, fonts-quicksand, fonts-noto-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-desktop-portal")
# The layer shell is built against private QtWaylandClient headers: only the Qt it was
# built with will do.
if(CORVINA_LAYER_SHELL)
    execute_process(COMMAND dpkg-query -W -f=\${Version} libqt6waylandclient6
        OUTPUT_VARIABLE qt_wayland_version OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REPLACE "qt6-wayland," "qt6-wayland (= ${qt_wayland_version}), libqt6waylandclient6 (= ${qt_wayland_version}),"
        CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
endif()
include(CPack)

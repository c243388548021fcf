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
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libicu72, qt6-qpa-plugins, libqt6svg6, fonts-inter, fonts-quicksand, fonts-noto-core")
# The layer shell is built against private QtWaylandClient headers: only the Qt it was
# built with will do.
if(CORVINA_LAYER_SHELL)
    execute_process(COMMAND dpkg-query -W -f=\${Version} libqt6waylandclient6
        OUTPUT_VARIABLE qt_wayland_version OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
        ", libqt6waylandclient6 (= ${qt_wayland_version}), qt6-wayland (= ${qt_wayland_version})")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-desktop-portal")
include(CPack)

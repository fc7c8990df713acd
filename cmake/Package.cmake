# The Debian package: `cpack -G DEB` in the build tree makes <name>_<version>_<arch>.deb.
#
# Depends = what dpkg-shlibdeps finds the programs linked against, plus what is loaded only at run
# time and so not seen by it:
#   glib-networking      the GIO TLS module: without it the web view cannot open https addresses.
#   fonts-wqy-zenhei | fonts-noto-cjk
#                        every text the program shows is Chinese; fontconfig picks the font at run
#                        time, and without a CJK font the texts are empty boxes.
#   libjavascriptcoregtk-4.1-0
#                        the page bridge links it; the bridge is built into the program file and
#                        written out at run time for WebKit's web processes, so dpkg-shlibdeps never
#                        sees it (every other library it links, the program links too).
#   libcurl4 (>= 7.85.0) the HTTP client loads libcurl.so.4 (the OpenSSL flavour) when the setup's first
#                        download starts, so that a daily start never maps it and its TLS libraries;
#                        not linked, it is out of dpkg-shlibdeps' sight. 7.85.0 brought the newest
#                        option the client sets (CURLOPT_PROTOCOLS_STR).
#
# Recommends = the desktop portals, through which a Wayland session gives global hot keys and the screen
# picture (xdg-desktop-portal and the backend of the desktop); an X11 session needs neither.

set(CPACK_PACKAGE_NAME ${TESRA_PACKAGE_NAME})
# All four numbers: CPack would take only the first three.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TesraBrowser developers")
set(CPACK_PACKAGE_CONTACT "TesraBrowser developers <developers@tesrabrowser.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dedicated browser for Tesra web applications")
set(CPACK_PACKAGE_DESCRIPTION "\
TesraBrowser (蓝岸浏览器) opens a web application of the Tesra family
in one window of its own and gives its pages a native scripting object:
a new-message hint in the notification area, system-wide hot keys,
screen capture, the installed-software list and a report of the client
machine. Each address is prepared once, with its icon, its menu and a
desktop shortcut.")
# Installed below DESTDIR, so that the rule with an absolute destination (the machine's settings folder)
# lands in the package and not on the building machine; the prefix is then CPACK_INSTALL_PREFIX's.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${TESRA_PACKAGE_PREFIX})
set(CPACK_PACKAGING_INSTALL_PREFIX ${TESRA_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "glib-networking, fonts-wqy-zenhei | fonts-noto-cjk, libjavascriptcoregtk-4.1-0, libcurl4 (>= 7.85.0)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "xdg-desktop-portal, xdg-desktop-portal-gnome | xdg-desktop-portal-kde | xdg-desktop-portal-wlr")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

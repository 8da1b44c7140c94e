# The Debian package: `scripts/package` configures a release build with Debian's hardening
# flags and runs cpack, which writes tallyvane_<version>_amd64.deb into the build folder.
include(GNUInstallDirs)

set(doc_dir "${CMAKE_INSTALL_DATADIR}/doc/tallyvane")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION "${doc_dir}")
# Debian wants the changelog and manual pages compressed reproducibly (no name, no time).
foreach(page tallyvane.1 tallyvane-widget.1 changelog)
    set(source "${PROJECT_SOURCE_DIR}/packaging/${page}")
    set(compressed "${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.gz")
    add_custom_command(OUTPUT "${compressed}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/packaging"
        COMMAND gzip -9nc "${source}" > "${compressed}"
        DEPENDS "${source}" VERBATIM)
    list(APPEND compressed_files "${compressed}")
endforeach()
add_custom_target(tallyvane_compressed_docs ALL DEPENDS ${compressed_files})
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/packaging/tallyvane.1.gz"
    "${CMAKE_CURRENT_BINARY_DIR}/packaging/tallyvane-widget.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz" DESTINATION "${doc_dir}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Tallyvane")
set(CPACK_PACKAGE_CONTACT "Tallyvane maintainers <maintainers@tallyvane.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Codex and Claude subscription usage in the system tray")
set(CPACK_PACKAGE_DESCRIPTION "Tallyvane sits in the system tray and shows how much of your Codex and
Claude subscription allowances is used and when each one resets: a compact
tray icon, a popover, a dashboard with a daily token chart, threshold alerts,
and a loopback endpoint for a desktop widget and status bars.
.
Usage values live in memory only; tokens stay in the system keyring.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: QtKeychain opens libsecret, and the
# icons go through Qt's SVG image plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsecret-1-0, libqt6svg6")
# A Secret Service keeps the Claude sign-in; Wayland sessions need Qt's Wayland platform; the
# sign-in opens the browser through xdg-open where no desktop portal answers.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gnome-keyring | libkf5wallet-bin | keepassxc, qt6-wayland, xdg-utils, default-dbus-session-bus | dbus-session-bus")
include(CPack)

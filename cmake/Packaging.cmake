# Installation layout and the Debian package (cpack -G DEB): the wizard and vornalix-recover with
# their desktop entry, icons and manual pages, the adapter helper in libexec and the polkit action
# through which pkexec starts it. No file carries a capability or a set-ID bit, and there are no
# maintainer scripts. Simulators, benchmarks and tests are not installed.
include(GNUInstallDirs)
set(packaging_src "${PROJECT_SOURCE_DIR}/packaging")
set(packaging_bin "${PROJECT_BINARY_DIR}/packaging")

# Icons for the hicolor theme, drawn by the same code as the window icon.
add_executable(vornalix-render-icons "${packaging_src}/RenderIcons.cpp")
target_link_libraries(vornalix-render-icons PRIVATE vornalix_config vornalix_ui Qt6::Widgets)
set(icon_sizes 16 24 32 48 64)
set(icon_files "")
foreach(size ${icon_sizes})
    list(APPEND icon_files "${packaging_bin}/icons/${size}x${size}/apps/vornalix.png")
endforeach()
add_custom_command(OUTPUT ${icon_files}
    COMMAND vornalix-render-icons "${packaging_bin}/icons"
    DEPENDS vornalix-render-icons
    COMMENT "Drawing the application icon for the hicolor theme")

# Manual pages and the changelog, compressed as Debian wants them.
configure_file("${packaging_src}/changelog.in" "${packaging_bin}/changelog" @ONLY)
set(compressed "")
foreach(file vornalix.1 vornalix-recover.1)
    add_custom_command(OUTPUT "${packaging_bin}/${file}.gz"
        COMMAND gzip -9n -c "${packaging_src}/${file}" > "${packaging_bin}/${file}.gz"
        DEPENDS "${packaging_src}/${file}")
    list(APPEND compressed "${packaging_bin}/${file}.gz")
endforeach()
add_custom_command(OUTPUT "${packaging_bin}/changelog.gz"
    COMMAND gzip -9n -c "${packaging_bin}/changelog" > "${packaging_bin}/changelog.gz"
    DEPENDS "${packaging_bin}/changelog")
list(APPEND compressed "${packaging_bin}/changelog.gz")
add_custom_target(vornalix_package_files ALL DEPENDS ${icon_files} ${compressed})

install(TARGETS vornalix vornalix-recover RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The front ends start it from here, and the polkit action names this path (/usr/libexec/vornalix/).
if(TARGET vornalix-adapter-helper)
    install(TARGETS vornalix-adapter-helper RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vornalix)
endif()
install(FILES "${packaging_src}/org.example.vornalix.adapter-helper.policy"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
install(FILES "${packaging_src}/vornalix.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${icon_sizes})
    install(FILES "${packaging_bin}/icons/${size}x${size}/apps/vornalix.png"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES "${packaging_src}/vornalix.svg" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES "${packaging_bin}/vornalix.1.gz" "${packaging_bin}/vornalix-recover.1.gz"
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES "${packaging_src}/copyright" "${packaging_bin}/changelog.gz"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vornalix)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornalix)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Vornalix developers <vornalix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware upgrade wizard for the Qel Gateway")
set(CPACK_PACKAGE_DESCRIPTION "A desktop wizard that replaces the firmware of the Qel Gateway from a PC wired
to it: a normal upgrade over the gateway's web interface, or an emergency
upgrade that serves the gateway's boot loader by BOOTP and TFTP. English and
Japanese. Includes vornalix-recover, the emergency upgrade on the command line.
Neither program holds a privilege: the few steps of the emergency upgrade that
need root are done by a small helper, started through pkexec after the
administrator's password.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# An ordinary user's front end starts the adapter helper through pkexec. The wizard cannot open a
# window without Qt's platform plugins, which libqt6gui6 only recommends.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec, qt6-qpa-plugins")
include(CPack)

# Run at install time: writes the desktop entries, the AppStream file and the
# launcher for the prefix being installed to, then installs them.
set(KESTO_FULL_INSTALL_DIR "${CMAKE_INSTALL_PREFIX}/${KESTO_INSTALL_DIR}")
set(stage "${KESTO_STAGE_DIR}")

set(KESTO_DESKTOP_EXTRA "")
configure_file("${KESTO_SOURCE_DIR}/packaging/kesto.desktop.in" "${stage}/${KESTO_APP_ID}.desktop" @ONLY)
set(KESTO_DESKTOP_EXTRA "X-GNOME-Autostart-enabled=true")
configure_file("${KESTO_SOURCE_DIR}/packaging/kesto.desktop.in" "${stage}/autostart/${KESTO_APP_ID}.desktop" @ONLY)
configure_file("${KESTO_SOURCE_DIR}/packaging/kesto.metainfo.xml.in" "${stage}/${KESTO_APP_ID}.metainfo.xml" @ONLY)
configure_file("${KESTO_SOURCE_DIR}/packaging/kesto-launcher.sh.in" "${stage}/kesto" @ONLY)

file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${KESTO_BINDIR}" TYPE PROGRAM FILES "${stage}/kesto")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${KESTO_DATADIR}/applications" TYPE FILE
     FILES "${stage}/${KESTO_APP_ID}.desktop")
# Offered, not enabled for everyone: a user copies it to ~/.config/autostart.
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${KESTO_DATADIR}/kesto/autostart" TYPE FILE
     FILES "${stage}/autostart/${KESTO_APP_ID}.desktop")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${KESTO_DATADIR}/metainfo" TYPE FILE
     FILES "${stage}/${KESTO_APP_ID}.metainfo.xml")

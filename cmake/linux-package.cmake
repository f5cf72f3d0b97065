# The Linux program as a Debian package, made with CPack by scripts/package.
# The program reads rv.dat beside itself, so it lives in a folder of its own,
# /opt/rvdatebackup, which is its program folder; /usr/bin/rvdatebackup starts
# it from a terminal or a timer, and two menu entries with its icon from the
# desktop: the backup, and the restore window (--restore). Depends comes from the shared libraries it links (dpkg-shlibdeps);
# what it loads at run time only is recommended.
install(TARGETS rvdatebackup RUNTIME DESTINATION /opt/rvdatebackup)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/command)
file(CREATE_LINK ../../opt/rvdatebackup/rvdatebackup ${CMAKE_BINARY_DIR}/command/rvdatebackup SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/command/rvdatebackup DESTINATION /usr/bin)
install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/rvdatebackup.desktop
              ${PROJECT_SOURCE_DIR}/resources/linux/rvdatebackup-restore.desktop DESTINATION /usr/share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/rvdatebackup.png DESTINATION /usr/share/icons/hicolor/128x128/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rvdatebackup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "One-click backup of the RV clinic records system's data")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Copies the records system's database files, rv.dat, id.dat and the data\n"
       "folder GDATA into a folder the user picks, or, with --backup-to DIR, into\n"
       "DIR without a window. It reads rv.dat beside itself: put rv.dat and id.dat\n"
       "(or links to them) into /opt/rvdatebackup, or copy the program into the\n"
       "records system's folder.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "RVDATEBACKUP <rvdatebackup@example.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Speech through speech-dispatcher with kana readings from MeCab's
# dictionary, Qt's own texts in Japanese, and a font that has the glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "speech-dispatcher, qt6-speech-speechd-plugin, mecab-ipadic-utf8, qt6-translations-l10n, fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
include(CPack)

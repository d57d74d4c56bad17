# What an installation holds, and the Debian package made of it (cpack -G DEB in
# the build folder, or scripts/package.sh):
#   bin/trunaccount-host, bin/trunaccount-admin   the reference host and the admin tool
#   lib/libtrunaccount.so                          the plug-in, where the host looks for it (../lib)
#   include/trunaccount/*.h                        the plug-in's public interface
include(GNUInstallDirs)

install(TARGETS trunaccount-host trunaccount-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The host loads the plug-in from ../lib beside its own folder, so the plug-in
# stays out of the multiarch library folder.
install(TARGETS trunaccount LIBRARY DESTINATION lib)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/trunaccount DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trunaccount)
set(CPACK_PACKAGE_VENDOR "trunaccount developers")
set(CPACK_PACKAGE_CONTACT "trunaccount developers <trunaccount@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Transfer tick-off window plug-in with a reference host and coordinator")
set(CPACK_PACKAGE_DESCRIPTION
  "A plug-in library that shows the transfer tick-off (转帐勾对) window inside a host application, \
its public headers, a reference host program that loads it over SQLite or PostgreSQL, and the \
administration command of the reference coordinator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link (Qt, SQLite, libpq) become the package's
# dependencies, with Qt's display plug-ins, which the host cannot start without.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)

# The Linux release, made by CPack from a native build: the Debian package of
# lumari-headless with its systemd unit template, for subscribers who run MT4
# under Wine on a Linux server. Its version is the project's.
#   cpack --preset deb   (scripts/package deb configures, builds and runs it)
set(LUMARI_DEB_SOURCE ${PROJECT_SOURCE_DIR}/packaging/linux)

# systemd's folder of system units as the distribution has it (/lib/systemd/system
# on Debian 12).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_get_variable(LUMARI_SYSTEMD_UNIT_DIR systemd systemdsystemunitdir)
endif()
if(NOT LUMARI_SYSTEMD_UNIT_DIR)
  set(LUMARI_SYSTEMD_UNIT_DIR /lib/systemd/system)
endif()

install(TARGETS lumari-headless RUNTIME DESTINATION bin COMPONENT headless)
install(FILES ${LUMARI_DEB_SOURCE}/lumari-headless@.service
        DESTINATION ${LUMARI_SYSTEMD_UNIT_DIR} COMPONENT headless)
install(FILES ${LUMARI_DEB_SOURCE}/README ${LUMARI_DEB_SOURCE}/example.conf
        DESTINATION share/doc/lumari-headless COMPONENT headless)
# cpack packs what is built; scripts/package and the package tests build it first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumari-headless)
set(CPACK_PACKAGE_VENDOR Zelvane)
set(CPACK_PACKAGE_CONTACT "Zelvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lumari Terminal as a service beside MT4 under Wine")
set(CPACK_PACKAGE_DESCRIPTION "lumari-headless follows a trade system of the Zelvane \
service and keeps its orders in the exchange folder of a MetaTrader 4 terminal run \
under Wine, one systemd service instance per account (lumari-headless@<name>).")
# Only the program's own files, whatever else has install rules; the unit's
# absolute folder lands inside the package, not on the building machine.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};headless;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${LUMARI_DEB_SOURCE}/postinst ${LUMARI_DEB_SOURCE}/prerm ${LUMARI_DEB_SOURCE}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# Read by cpack once per generator: the installer is LumariTerminal-<version>-setup.exe.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_LUMARI_SETUP_FILE_NAME}")
endif()

# The Windows release, made by CPack from the windows build: a portable ZIP and a
# per-user NSIS installer (packaging/NSIS.template.in), both named after the
# project's version, which the executable's version record shows as well.
#   cpack --preset windows   (scripts/package configures, builds and runs it)
set(LUMARI_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)

# The data folder as installed: only the date file, which the program reads
# before it ever writes it. One line, the date of no login yet (a blank and 0).
# Settings, saved login and run log are the user's and are never shipped.
file(WRITE ${LUMARI_PACKAGE_DIR}/data/datefile.dat " 0\r\n")
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${LUMARI_PACKAGE_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS LumariTerminal RUNTIME DESTINATION . COMPONENT program)
install(FILES ${LUMARI_PACKAGE_DIR}/README.txt DESTINATION . COMPONENT program)
install(FILES ${LUMARI_PACKAGE_DIR}/data/datefile.dat DESTINATION data COMPONENT program)
# cpack packs what is built; scripts/package and the test builds build it first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The installer finds a running program by its main window and asks it to leave
# with the program's own message: the names come from the program's source.
file(READ ${PROJECT_SOURCE_DIR}/src/win32/control_ids.h lumari_control_ids)
foreach(name MainWindowClass AppTitle ExitRequestMessage)
  if(NOT lumari_control_ids MATCHES "k${name} = \"([^\"]*)\"")
    message(FATAL_ERROR "packaging: k${name} not found in src/win32/control_ids.h")
  endif()
  string(TOUPPER ${name} upper)
  set(CPACK_LUMARI_${upper} "${CMAKE_MATCH_1}")
endforeach()

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME LumariTerminal)
set(CPACK_PACKAGE_VENDOR Zelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tray client of the Zelvane trade-signal service")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Lumari Terminal")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY LumariTerminal)
# Only the program's own files, whatever else has install rules.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};program;/")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# LumariTerminal-<version>-win64.zip; the installer's name is set per generator.
set(LUMARI_ZIP_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
set(LUMARI_SETUP_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-setup")
set(CPACK_PACKAGE_FILE_NAME ${LUMARI_ZIP_FILE_NAME})
set(CPACK_LUMARI_SETUP_FILE_NAME ${LUMARI_SETUP_FILE_NAME})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/per_generator.cmake)

set(CPACK_NSIS_DISPLAY_NAME "Lumari Terminal")
set(CPACK_NSIS_PACKAGE_NAME "Lumari Terminal")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/win32/resources/lumari.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/win32/resources/lumari.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_LUMARI_PROGRAM_FILE LumariTerminal.exe)
# The project's NSIS.template.in replaces CPack's: a per-user installation.
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging)

include(CPack)

# Release packages, made with CPack (scripts/package.sh makes them all):
#   Windows build: quadrel-VERSION-win64.zip with quadrel.exe and README.txt
#   Linux build:   quadrel-VERSION-linux-ARCH.tar.gz and quadrel_VERSION_ARCH.deb
set(CPACK_PACKAGE_NAME quadrel)
set(CPACK_PACKAGE_VENDOR Quadrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Sets the clean aperture of DVCPRO HD and DVCPRO50 QuickTime movies to their production aperture")
set(CPACK_PACKAGE_DESCRIPTION
  "Overwrites the clean aperture with the production aperture in every track aperture atom (tapt) of a QuickTime movie, in place. The user drops a movie, or a folder of movies, onto the program.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # For Windows users: the program and a short README, nothing to install.
  configure_file(win/README.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS quadrel RUNTIME DESTINATION .)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quadrel-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  include(GNUInstallDirs)
  install(TARGETS quadrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/README.md)
    install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  endif()
  set(CPACK_GENERATOR TGZ DEB)
  string(TOLOWER ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR} QUADREL_SYSTEM)
  set(CPACK_PACKAGE_FILE_NAME quadrel-${PROJECT_VERSION}-${QUADREL_SYSTEM})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quadrel maintainers <quadrel@quadrel.example>")
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quadrel.example)
  find_program(QUADREL_SHLIBDEPS dpkg-shlibdeps)
  if(QUADREL_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
  endif()
endif()

include(CPack)

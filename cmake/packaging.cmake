# What a user or a distribution installs, and the packages CPack makes of
# it: a .deb on Linux (lintian-clean), a ZIP on Windows.
include(GNUInstallDirs)

# The project has no mail host of its own: a packager sets theirs.
set(TABULOR_PACKAGE_MAINTAINER "The tabulor developers <tabulor@example.org>"
    CACHE STRING "The package's maintainer, as \"Name <address>\"")

# Compressed as Debian keeps them; -n leaves the build time out, so the
# package is reproducible.
function(tabulor_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND gzip -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${output}")
endfunction()

if(WIN32)
  # Everything in the ZIP's top folder: the program, the README, the
  # licence, and the manual page rendered as text where groff is at hand.
  install(TARGETS tabulor RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
          DESTINATION .)
  find_program(TABULOR_GROFF groff)
  if(TABULOR_GROFF)
    add_custom_command(
      OUTPUT tabulor.txt
      COMMAND ${TABULOR_GROFF} -man -Tascii -P-c -P-b -P-u
              ${PROJECT_SOURCE_DIR}/doc/tabulor.1 > tabulor.txt
      DEPENDS doc/tabulor.1
      COMMENT "Rendering the manual page as text")
    add_custom_target(manual_text ALL DEPENDS tabulor.txt)
    install(FILES ${PROJECT_BINARY_DIR}/tabulor.txt DESTINATION .)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tabulor-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  tabulor_gzip(${PROJECT_SOURCE_DIR}/doc/tabulor.1 tabulor.1.gz)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in changelog @ONLY)
  tabulor_gzip(${PROJECT_BINARY_DIR}/changelog changelog.gz)
  add_custom_target(packaged_docs ALL DEPENDS tabulor.1.gz changelog.gz)

  install(TARGETS tabulor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/tabulor.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/completion/tabulor
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
                ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tabulor)
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME tabulor)
set(CPACK_PACKAGE_VENDOR "The tabulor developers")
set(CPACK_PACKAGE_CONTACT "${TABULOR_PACKAGE_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert a single-byte code page table into a UCM mapping file")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tabulor N reads the code page table N.cp and writes the character
 mapping file zel-N_p100-2006.ucm (UCM format, CR LF line ends).")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TABULOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The Debian package (cpack -G DEB, or scripts/package.sh): both programs with their
# images and fonts under /usr/lib/talvo-perabo, where the window finds them beside
# itself; commands in /usr/bin; a menu entry with the icon; the manual pages. The
# firmware folder beside the programs leads to /var/lib/talvo-perabo/firmware, which
# the group talvo may write. The post-install makes both programs root:talvo 0750
# (dpkg-statoverride) and gives them cap_net_raw: only root and the group's members
# may run them.
set(PERABO_LIBDIR lib/talvo-perabo)
set(staging ${CMAKE_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${staging}/font ${staging}/bin)

# Links rather than copies: the fonts come from Debian's fonts-dejavu-core.
file(CREATE_LINK ${PERABO_FONT_DIR}/DejaVuSans.ttf ${staging}/font/sheep.ttf SYMBOLIC)
file(CREATE_LINK ${PERABO_FONT_DIR}/DejaVuSans-Bold.ttf ${staging}/font/sheepsansbold.ttf SYMBOLIC)
file(CREATE_LINK /var/lib/talvo-perabo/firmware ${staging}/firmware SYMBOLIC)
file(CREATE_LINK ../lib/talvo-perabo/talvo-perabo ${staging}/bin/talvo-perabo SYMBOLIC)
file(CREATE_LINK ../lib/talvo-perabo/talvo ${staging}/bin/talvo SYMBOLIC)

add_custom_command(OUTPUT ${staging}/talvo-perabo.xpm
  COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/resources/img/icon.bmp
          -DOUTPUT=${staging}/talvo-perabo.xpm -DNAME=talvo_perabo -P ${CMAKE_SOURCE_DIR}/cmake/BmpToXpm.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/img/icon.bmp ${CMAKE_SOURCE_DIR}/cmake/BmpToXpm.cmake
  COMMENT "Making the menu icon")
set(manuals "")
foreach(page talvo.1 talvo-perabo.1)
  add_custom_command(OUTPUT ${staging}/${page}.gz
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/docs/man/${page} > ${staging}/${page}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page})
  list(APPEND manuals ${staging}/${page}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${staging}/talvo-perabo.xpm ${manuals})

install(TARGETS talvo-perabo talvo RUNTIME DESTINATION ${PERABO_LIBDIR})
install(FILES ${PERABO_IMAGES} DESTINATION ${PERABO_LIBDIR}/img)
install(FILES ${staging}/font/sheep.ttf ${staging}/font/sheepsansbold.ttf DESTINATION ${PERABO_LIBDIR}/font)
install(FILES ${staging}/firmware DESTINATION ${PERABO_LIBDIR})
install(FILES ${staging}/bin/talvo-perabo ${staging}/bin/talvo DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/talvo-perabo.desktop DESTINATION share/applications)
install(FILES ${staging}/talvo-perabo.xpm DESTINATION share/pixmaps)
install(FILES ${manuals} DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvo-perabo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Talvo Perabo maintainers <maintainers@users.noreply.c-seed-64fb8964.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find, re-address and update Talvo measurement systems")
set(CPACK_PACKAGE_DESCRIPTION
  "Talvo Perabo finds the Talvo measurement systems on an Ethernet segment, gives one\na new IP address and loads new firmware into them: talvo-perabo in a window,\ntalvo on the command line for many systems at once.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, libcap2-bin, passwd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

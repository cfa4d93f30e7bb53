# The Debian package (component "deb"): the program's folder is /usr/lib/spiderfence (both programs,
# robots.rbd and the package's marker, by which the program knows it runs installed and keeps each
# user's files in the user's data folder), both programs on the PATH through /usr/bin, the menu
# entry, the icons and the metainfo under /usr/share, the man pages, the copyright file (with the
# robot list's notices) and the changelog. Depends: what the binaries link (dpkg-shlibdeps), plus
# what is loaded at run time: libsecret, through which QtKeychain reaches the secret store, and Qt's
# SVG plugins (libqt6svg6), which draw the program's icons, and libcurl (libcurl4), which the
# programs load on their first transfer.
find_program(SF_GZIP gzip REQUIRED)
set(deb_folder lib/spiderfence)
set(deb_build ${CMAKE_CURRENT_BINARY_DIR}/deb)
file(MAKE_DIRECTORY ${deb_build})

install(TARGETS spiderfence sfcheck RUNTIME DESTINATION ${deb_folder} COMPONENT deb)
file(WRITE ${deb_build}/installed-by-package
     "Installed by the package manager: each user's robots.rbd and temporary upload file live in the\n"
     "user's data folder, and updates come through the package manager.\n")
install(FILES ${deb_build}/installed-by-package DESTINATION ${deb_folder} COMPONENT deb)
foreach(program spiderfence sfcheck)
  file(CREATE_LINK ../${deb_folder}/${program} ${deb_build}/${program} SYMBOLIC)
  install(FILES ${deb_build}/${program} DESTINATION bin COMPONENT deb)
endforeach()

install(FILES ${SF_APP_ID}.desktop DESTINATION share/applications COMPONENT deb)
install(FILES ${metainfo} DESTINATION share/metainfo COMPONENT deb)
install(FILES ${icon_svg} DESTINATION share/icons/hicolor/scalable/apps RENAME ${SF_APP_ID}.svg COMPONENT deb)
foreach(size 48 128 256)
  install(FILES ${icon_dir}/spiderfence-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME ${SF_APP_ID}.png COMPONENT deb)
endforeach()

# Man pages and the changelog, compressed as Debian wants them (-n: no name or time inside).
execute_process(COMMAND date -u -R -d "${SF_RELEASE_DATE} 12:00" OUTPUT_VARIABLE SF_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(changelog.in ${deb_build}/changelog @ONLY)
set(deb_gzipped)
foreach(page spiderfence.1 sfcheck.1)
  add_custom_command(OUTPUT ${deb_build}/${page}.gz
    COMMAND ${SF_GZIP} -9nc ${CMAKE_CURRENT_SOURCE_DIR}/man/${page} > ${deb_build}/${page}.gz
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/man/${page}
    COMMENT "Compressing the man page ${page}")
  list(APPEND deb_gzipped ${deb_build}/${page}.gz)
endforeach()
add_custom_command(OUTPUT ${deb_build}/changelog.gz
  COMMAND ${SF_GZIP} -9nc ${deb_build}/changelog > ${deb_build}/changelog.gz
  DEPENDS ${deb_build}/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(deb_files ALL DEPENDS ${deb_gzipped} ${deb_build}/changelog.gz)
install(FILES ${deb_gzipped} DESTINATION share/man/man1 COMPONENT deb)

file(READ ${CMAKE_SOURCE_DIR}/LICENSE SF_LICENSE_TEXT)
set(SF_ROBOT_NOTICES "")
foreach(notice LICENSE.ai.robots.txt LICENSE.crawler-user-agents LICENSE.well-known-bots)
  file(READ ${CMAKE_SOURCE_DIR}/data/licenses/${notice} text)
  string(APPEND SF_ROBOT_NOTICES "\n-- ${notice} --\n\n${text}")
endforeach()
configure_file(copyright.in ${deb_build}/copyright @ONLY)
install(FILES ${deb_build}/copyright ${deb_build}/changelog.gz DESTINATION share/doc/spiderfence COMPONENT deb)

set(CPACK_DEBIAN_PACKAGE_NAME spiderfence)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsecret-1-0, libqt6svg6, libcurl4")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SF_DEVELOPER} <${SF_CONTACT}>")
# The desktop entry's main category, Development.
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SF_SITE_URL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${SF_SUMMARY})
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${SF_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Read by CPack for each generator: the tar.gz holds the portable folder, the .deb the installed
# layout, its programs stripped as Debian's packages are.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL deb)
  set(CPACK_STRIP_FILES ON)
else()
  set(CPACK_COMPONENTS_ALL portable)
  # One folder in the archive, spiderfence-VERSION-linux-ARCH, as without components.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

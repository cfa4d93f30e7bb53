# Version numbers shared by both executables, available to the code as generated/sf_version.h.
configure_file(${CMAKE_SOURCE_DIR}/cmake/sf_version.h.in ${CMAKE_BINARY_DIR}/generated/sf_version.h @ONLY)

# Gives an executable its version section (filled in by the version-resource work).
function(sf_add_version_section target description original_name)
endfunction()

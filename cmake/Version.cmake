# Version numbers shared by both executables, available to the code as generated/sf_version.h.
configure_file(${CMAKE_SOURCE_DIR}/cmake/sf_version.h.in ${CMAKE_BINARY_DIR}/generated/sf_version.h @ONLY)

# The reader and writer of the version resource, plain C++: linked by sf_core and by the build tool
# that writes each executable's version section.
add_library(sf_versionres STATIC
  ${CMAKE_SOURCE_DIR}/src/base/VersionResource.cpp ${CMAKE_SOURCE_DIR}/src/base/VersionResource.h)
target_include_directories(sf_versionres PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_executable(sf_versiongen ${CMAKE_SOURCE_DIR}/src/tools/VersionSectionTool.cpp)
target_link_libraries(sf_versiongen PRIVATE sf_versionres)
set_target_properties(sf_versiongen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

# Gives an executable its version section ".sfversion": a VS_VERSIONINFO resource with the file
# version major.minor.revision.build, the product version major.minor.revision, the description and
# the original file name, in language 0409 and code page 04B0.
function(sf_add_version_section target description original_name)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_section.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND sf_versiongen ${out} ${PROJECT_VERSION}.${SF_VERSION_BUILD} ${PROJECT_VERSION}
            ${description} ${original_name}
    DEPENDS sf_versiongen
    COMMENT "Writing the version section of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()

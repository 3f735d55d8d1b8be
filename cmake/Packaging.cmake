# What a Linux install holds besides the program and its Materials: a desktop
# entry, the icon at the hicolor sizes, AppStream metadata, a manual page, the
# copyright file and the changelog; and the Debian package of it all (CPack's
# DEB generator, run by scripts/package). Every file is named here, so one
# that is missing fails the install and the package build, not a user's
# install.
set(OC_APP_ID com.example.occlusion_culling)
set(OC_SCREENSHOT_URL "https://example.com/occlusion-culling/screenshot.jpg" CACHE STRING
    "Where docs/screenshot.jpg is published, for the AppStream metadata")
set(OC_ICON_SIZES 16 32 48 64 128 256)
set(OC_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(OC_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/occlusion-culling)
set(OC_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/occlusion-culling)

# The version is the changelog's newest entry, as in any Debian package; the
# AppStream metadata must list it as its newest release.
file(STRINGS ${OC_PACKAGING_DIR}/changelog OC_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT OC_CHANGELOG_TOP MATCHES "^occlusion-culling \\(([0-9][^)]*)\\) ")
  message(FATAL_ERROR "packaging/changelog: the first line must read 'occlusion-culling (VERSION) ...'")
endif()
set(OC_PACKAGE_VERSION ${CMAKE_MATCH_1})
file(READ ${OC_PACKAGING_DIR}/${OC_APP_ID}.metainfo.xml.in OC_METAINFO)
string(FIND "${OC_METAINFO}" "<release version=\"${OC_PACKAGE_VERSION}\"" OC_RELEASE_AT)
if(OC_RELEASE_AT EQUAL -1)
  message(FATAL_ERROR "packaging/${OC_APP_ID}.metainfo.xml.in: no <release> for ${OC_PACKAGE_VERSION}, "
                      "the version packaging/changelog names")
endif()

configure_file(${OC_PACKAGING_DIR}/${OC_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/packaging/${OC_APP_ID}.metainfo.xml
               @ONLY)
configure_file(${OC_PACKAGING_DIR}/occlusion-culling.1.in ${CMAKE_BINARY_DIR}/packaging/occlusion-culling.1 @ONLY)
configure_file(${OC_PACKAGING_DIR}/occlusion-lab.1.in ${CMAKE_BINARY_DIR}/packaging/occlusion-lab.1 @ONLY)

# Debian wants manual pages and changelogs compressed, without a timestamp.
find_program(OC_GZIP gzip REQUIRED)
foreach(file occlusion-culling.1 occlusion-lab.1 changelog)
  if(file STREQUAL changelog)
    set(source ${OC_PACKAGING_DIR}/changelog)
  else()
    set(source ${CMAKE_BINARY_DIR}/packaging/${file})
  endif()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
                     COMMAND ${OC_GZIP} -9nc ${source} > ${CMAKE_BINARY_DIR}/packaging/${file}.gz
                     DEPENDS ${source} VERBATIM)
  list(APPEND OC_COMPRESSED ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
endforeach()
add_custom_target(packaging-files ALL DEPENDS ${OC_COMPRESSED})

install(FILES ${OC_PACKAGING_DIR}/${OC_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/occlusion-culling.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The lab's entry and manual page go with the lab.
if(OC_LAB)
  install(FILES ${OC_PACKAGING_DIR}/${OC_APP_ID}.lab.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/occlusion-lab.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/${OC_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${OC_ICON_SIZES})
  install(FILES ${OC_PACKAGING_DIR}/icons/occlusion-culling-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME occlusion-culling.png)
endforeach()
install(FILES ${OC_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${OC_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME occlusion-culling)
set(CPACK_PACKAGE_VERSION ${OC_PACKAGE_VERSION})
set(CPACK_PACKAGE_CONTACT "Occlusion Demo Developer <dev@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fly over a forest drawn with hardware occlusion culling")
set(CPACK_PACKAGE_DESCRIPTION "A real-time 3D demonstration of hardware occlusion culling: a terrain
under a sky with 300 trees, and a camera flown with the keyboard. Every
frame each tree's simple bounding shape is drawn into a small off-screen
buffer inside an occlusion query, and only the trees that showed at least
one pixel are drawn in full. It renders with OpenGL 3.3, on any GPU or
with Mesa's llvmpipe.
.
A second program, occlusion-lab, shows the culling at work: every culling
method switched while flying, a frozen culling camera to fly away from, the
occlusion buffer, depth pyramid and CPU depth buffer on screen, and every
method's errors against the truth.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends is what dpkg-shlibdeps finds the binary linked against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The program looks for its data where it was configured to be installed, so
# the package installs to that same prefix; the check in the project config
# file refuses any prefix but /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackagingCheck.cmake)
include(CPack)

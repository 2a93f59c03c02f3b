# The Debian package: `cpack -G DEB` in a build tree (deploy/package.sh makes
# a Release one) gives dalvex2_<version>_amd64.deb with what `cmake --install`
# puts in place, under /usr, its dependencies read off the binaries.
set(doc share/doc/dalvex2)
configure_file(${CMAKE_SOURCE_DIR}/deploy/debian/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
# Debian wants the changelog compressed at the highest level, without a name or date in it.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(dalvex_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/deploy/debian/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dalvex2)
set(CPACK_PACKAGE_VENDOR Quarn)
set(CPACK_PACKAGE_CONTACT "Quarn <sav@quarn.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks that a network share carries file data reliably")
# Read here: given as CPACK_PACKAGE_DESCRIPTION_FILE, its apostrophes would
# come out as XML entities. (A double quote would break CPack's own file.)
file(READ ${CMAKE_SOURCE_DIR}/deploy/debian/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quarn.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(DALVEX_BUILD_GUI)
  # The wizard needs a window system's plugin, and speaks French in Qt's own
  # dialogs with its translations; neither is a library the binaries link.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
endif()
include(CPack)

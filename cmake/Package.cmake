# The Debian packages: `cpack -G DEB` in a build tree (deploy/package.sh makes
# a Release one) gives one package per install component, under /usr, their
# dependencies read off the binaries:
#   dalvex2-cli_<version>_amd64.deb  (component cli) the command line, its
#       manual page and bash completion; nothing of Qt, for headless servers
#   dalvex2_<version>_amd64.deb      (component wizard) the wizard, its desktop
#       entry with its metainfo, icons and manual page
# dalvex2 depends on dalvex2-cli of the very same version instead of carrying a
# copy of it: two packages cannot both own /usr/bin/dalvex2-cli, a desktop that
# has the wizard also gets the command line that scripts and the playbook's
# merge use, and both programs on one machine always come from one build.
# <version> is the build's full version (cmake/BuildVersion.cmake), which the
# last build wrote for cpack: the one that the programs packaged print.
set(components cli)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME dalvex2-cli)
if(DALVEX_BUILD_GUI)
  list(APPEND components wizard)
  set(CPACK_DEBIAN_WIZARD_PACKAGE_NAME dalvex2)
endif()

configure_file(${CMAKE_SOURCE_DIR}/deploy/debian/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
# Debian wants the changelog compressed at the highest level, without a name or date in it.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(dalvex_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
foreach(component IN LISTS components)
  string(TOUPPER ${component} upper)
  install(FILES ${CMAKE_SOURCE_DIR}/deploy/debian/copyright ${CMAKE_BINARY_DIR}/changelog.gz
          DESTINATION share/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${components})
set(CPACK_COMPONENT_WIZARD_DEPENDS cli)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_PACKAGE_NAME dalvex2)
set(CPACK_PACKAGE_VENDOR Quarn)
set(CPACK_PACKAGE_CONTACT "Quarn <sav@quarn.example>")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/support/PackageVersion.cmake)
# Each description is its package's summary, then what both programs do, then
# what the package holds. Read here: given as CPACK_PACKAGE_DESCRIPTION_FILE,
# its apostrophes would come out as XML entities. (A double quote would break
# CPack's own file.)
file(READ ${CMAKE_SOURCE_DIR}/deploy/debian/description.txt about)
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "checks that a network share carries file data reliably (command line)
${about}
This package holds the command line, dalvex2-cli, which needs no graphical
environment; it also starts many clients at one moment and merges their
results.")
set(CPACK_DEBIAN_WIZARD_DESCRIPTION
    "checks that a network share carries file data reliably (wizard)
${about}
This package holds the wizard, dalvex2, in French; the command line comes
with it in dalvex2-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE dalvex2)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quarn.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The wizard needs a window system's plugin, and speaks French in Qt's own
# dialogs with its translations; neither is a library the binaries link.
set(CPACK_DEBIAN_WIZARD_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_WIZARD_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)

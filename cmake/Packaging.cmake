# The Debian package, made by `cpack -G DEB` in a build folder.
#
# The package installs under the prefix the build was configured with; configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a package that installs under /usr. The programs find their
# data relative to their own folder, so no prefix is built into them.
set(TOLVANE_MAINTAINER "Tolvane <tolvane@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR Tolvane)
set(CPACK_PACKAGE_CONTACT "${TOLVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tolvane mirrors every folder of the source tree under the target and copies\n"
  "each file that the target lacks or holds shorter; on request it deletes the\n"
  "source files that the target already holds. An interrupted copy or move can\n"
  "simply be run again. It comes as a small desktop window (tolvane) and as a\n"
  "command line (tolvane-update).")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
# Folders made by the install get these permissions whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The version is the project's (1.0.3) with Debian revision 1: a package with a revision is
# not a native one, so its changelog is changelog.Debian.gz (cmake/debian/changelog.in).
set(TOLVANE_DEBIAN_REVISION 1)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TOLVANE_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link (libc, libstdc++, the Qt 6 libraries) come from
# dpkg-shlibdeps; what is only loaded or started at run time is named here: Qt's platform
# plugins, the dialog font and the opener of the help page and the links. Qt's translations
# put its standard buttons in the windows' language; without them they read English.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TOLVANE_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-arphic-uming, xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()

include(CPack)

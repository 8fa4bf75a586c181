# The Debian package, made by `cpack` in a configured build tree
# (scripts/package does it for the release preset).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stepquill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Stepquill")
set(CPACK_PACKAGE_CONTACT "Stepquill developers <maintainers@stepquill.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert DWI dance-game step charts into kvt timing files")
set(CPACK_PACKAGE_DESCRIPTION
    "Stepquill reads a dance-game step chart in the DWI text format, shows its\n\
title, artist, tempo and offset, lists its single-play difficulties and\n\
converts the chosen one into a kvt timing file: one line per arrow with the\n\
button to press and the time in milliseconds.\n\
\n\
The package holds the desktop program stepquill and the command-line\n\
converter stepquill-convert.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://stepquill.example.org)
# The Depends line comes from the libraries the programs link against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libarchive is loaded only when an archive is opened, so no link names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libarchive13 (>= 3.6)")

include(CPack)

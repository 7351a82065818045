# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh does it all).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME capcode)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The capcode developers")
# Problems are reported on the project's issue page (also in the description, the metainfo and
# the manual pages); the Maintainer field names the developers' mailbox.
set(CAPCODE_ISSUES_URL "https://github.com/capcode/capcode/issues")
set(CPACK_PACKAGE_CONTACT "Capcode Developers <developers@capcode.github.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programmer for the configuration of POCSAG pagers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://capcode.github.io/")
# The libraries the programs link to, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The summary is the first line; CPack indents the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Edits the configuration that POCSAG pagers keep in a 24C16 serial EEPROM
(capcodes, folders, alerts, channel, hardware settings, texts) in a window
and from the command line, and reads and writes pagers through the USB
programmer box or the parallel-port adapter. Production runs record every
pager in a ledger so that no capcode reaches two pagers.
.
Report problems at ${CAPCODE_ISSUES_URL}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/data/debian/postinst ${CMAKE_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

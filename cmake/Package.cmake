# The Debian package, made from a release build with `cpack -G DEB` in its build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velloran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velloran maintainers <maintainers@users.noreply.c-seed-2db9e112.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "household ledger and body-weight notebook (Traditional Chinese)")
set(CPACK_PACKAGE_DESCRIPTION
    "Velloran keeps a household ledger and a body-weight record side by side, for one person,
in one password-protected, encrypted SQLCipher file. Its interface is in Traditional Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velloran_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The shared libraries the binaries link (Qt 6 with its X11 platform plug-in, SQLCipher, the C++
# runtime) come from dpkg-shlibdeps, with the versions the build needs; listed here is what the
# program uses without linking it: the fonts its pages are laid out in (DejaVu the default for
# its fields, which a bare system would otherwise draw in Liberation Mono), the icon theme of its
# buttons, and the Access file library of its import and export.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libmdb3, fonts-noto-cjk, fonts-liberation2, fonts-dejavu-core, adwaita-icon-theme")

include(CPack)

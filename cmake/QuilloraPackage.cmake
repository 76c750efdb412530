# `cpack -G DEB` in the build folder: a Debian package of what `cmake --install`
# installs, under /usr. Library dependencies come from dpkg-shlibdeps; the packages
# the programs load or run at run time, which it cannot see, are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillora)
set(CPACK_PACKAGE_VENDOR Pelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillora developers <quillora@pelvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of removable media")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Quillora records the volume data and the whole file tree of CDs, DVDs, USB\n"
       "disks, network shares and folders (names, sizes, dates, the entries of\n"
       "archives, CRC-32 values and comments) into case files, to browse, search and\n"
       "compare without the discs. quillora is the desktop program, quillora-cli the\n"
       "command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform and SVG plug-ins (the window and the icons), libpq (the shared index)
# and libarchive (the archives it lists) are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, libpq5, libarchive13")
# Child programs: the ARJ lister, eject, fusermount3 and xdg-open; without them ARJ
# archives stay plain files, media are not ejected, an ordinary user cannot unmount a
# mounted case and the program falls back to Qt to show its folder.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "arj, eject, fuse3, xdg-utils")
# The desktop, MIME and icon caches are rebuilt by the packages that own them, on
# these triggers.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/dist/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# The Debian package, made by `cpack -G DEB` in a build folder: what
# `cmake --install` puts in place, under /usr, with the run-time
# dependencies declared by hand. tests/install checks that they cover every
# library the binary loads.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovalin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quessel Pendrick")
set(CPACK_PACKAGE_CONTACT "Quessel Pendrick")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print identity documents at their true size on one A4 sheet")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Drag scans or photos of an identity card, a bank card or household-register
pages onto the six slots of Tovalin's window; each group's print button prints
its three pictures on one A4 page at the documents' true size (85.6 x 54 mm
for cards, 143 x 105 mm for household-register pages).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)

# Lower bounds from the newest symbol versions the binary asks for
# (GLIBC_2.34, GLIBCXX_3.4.29, Qt_6.4); the xcb and offscreen platform
# plugins come with libqt6gui6, printing to CUPS with libqt6printsupport6.
# The buttons' bold Chinese face is the CJK font's.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 11), libgcc-s1 (>= 3.0),
     libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4),
     libpng16-16 (>= 1.6.2), libjpeg62-turbo (>= 1.3.1), libxcb1,
     fonts-noto-cjk")
string(REGEX REPLACE "[ \n]+" " " CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
# What a Wayland session runs it with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)

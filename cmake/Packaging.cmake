# The Debian package: `cpack -G DEB` in the build folder. It holds exactly what `cmake --install`
# puts under the prefix, with /usr as the prefix.
set(CPACK_PACKAGE_NAME glimmerbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Glimmerbox developers")
# Whoever builds a package to hand out names themselves as Debian's own tools ask (dch, dh_make):
# DEBFULLNAME and DEBEMAIL. Without them the package is a local build, which names no one's
# mailbox: ".invalid" is the name reserved for an address that can never exist (RFC 2606), and
# unlike "localhost" lintian takes it as a well-formed host.
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
    set(CPACK_PACKAGE_CONTACT "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
    set(CPACK_PACKAGE_CONTACT "The Glimmerbox developers <local-build@glimmerbox.invalid>")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fast thumbnail browser, renamer and slide show for photos")
# Kept in lines under 80 columns: dpkg shows the long description as written.
set(CPACK_PACKAGE_DESCRIPTION "Glimmerbox shows a folder of camera pictures as a scrolling grid of
tick-box thumbnails. The ticked pictures can be deleted, renamed one by one
with a preview, copied or moved into a folder under a common name plus a
number, or shown full screen as a slide show. Pictures are recognised by
their content, so a mislabelled file still loads.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The tree is built with debug information for the tests; the package does not need it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies come from what the executable really links (dpkg-shlibdeps), so they
# follow the Qt the package was built against; the image plugins are loaded at run time and
# so are named by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# View hands a picture to the desktop's program for it through xdg-open, or through gio when
# xdg-open is missing or would start Glimmerbox itself; it needs one of them and works best with
# both. gsettings (in libglib2.0-bin too) sets the wallpaper on GNOME, Cinnamon and MATE.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils | libglib2.0-bin")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, xdg-utils, libglib2.0-bin")

set(CPACK_GENERATOR DEB)
include(CPack)

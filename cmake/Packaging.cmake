# The Debian package: `cpack -G DEB` in the build directory (README, "Install"). Its library
# dependencies come from dpkg-shlibdeps; the web engine's come with the module.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lists the sponsored ads of a search results page")
# Lines of at most 72 characters, as Debian's package descriptions want them.
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora downloads the search engine's results page for a keyword, cuts
every sponsored ad (title, text and displayed address) out of it and lists
the ads with the keyword and their position on the page; the list can be
exported as a CSV file. The command-line tools velmora-ads and
velmora-brand read saved results pages and make a reseller's brand files.")
set(CPACK_PACKAGE_CONTACT "The Velmora developers <developers@velmora.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)

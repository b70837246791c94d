# `cpack -G DEB` (scripts/package): the installed files as one Debian package. The shared
# libraries the programs link give most dependencies; what Qt loads only at run time (the QML
# modules the window imports, the platform and SVG plugins, Qt's Turkish catalogues, the font)
# no library pulls in, so it is listed here.
set(CPACK_PACKAGE_NAME pictavo)
set(CPACK_PACKAGE_VENDOR Pictavo)
set(CPACK_PACKAGE_CONTACT "Pictavo <pictavo@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch photo resizing and conversion")
set(CPACK_PACKAGE_DESCRIPTION
    "Resizes and converts whole folders of photographs in one go: JPEG, PNG, HEIC/HEIF, TIFF \
and WebP in, JPEG, PNG, HEIC or TIFF out. A Qt Quick window in Turkish, and the pictavo-cli \
command-line tool.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PICTAVO_HOMEPAGE})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(pictavo_runtime_packages
    qml6-module-qtquick
    qml6-module-qtquick-window
    qml6-module-qtquick-templates
    qml6-module-qtquick-controls
    qml6-module-qtquick-layouts
    qml6-module-qtquick-shapes
    qml6-module-qtqml-models
    qml6-module-qtqml-workerscript
    qml6-module-qt5compat-graphicaleffects
    qt6-qpa-plugins
    libqt6svg6
    qt6-translations-l10n
    fonts-quicksand
)
list(JOIN pictavo_runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Native windows under a Wayland session; without it the program runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# Runs the Nautilus context-menu entry; Dolphin and Nemo read theirs without help.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus")

include(CPack)

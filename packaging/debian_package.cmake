# `cmake --build BUILD --target package` makes tegmora_<version>_amd64.deb.
# Its dependencies are those of the programs' shared libraries, as
# dpkg-shlibdeps finds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tegmora)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_CONTACT "Quorvel <roofs@quorvel.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://quorvel.example/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the roof textures of The Sims")
set(CPACK_PACKAGE_DESCRIPTION
"Tegmora is a small editor for the roof textures of The Sims, for players
who run the game on Linux under Wine or Proton. It finds the game's roofs
folder wherever the common launchers put it, lists the roof bitmaps, and
changes them with one-click effects and three colour sliders.

The command-line tool tegmora-fx runs the same effects over image files,
for batch edits and scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

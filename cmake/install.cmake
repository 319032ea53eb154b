# SPDX-License-Identifier: GPL-3.0-or-later
# Installation (`cmake --install`, `make install PREFIX=...`) and the Debian package (`make package`).
# The tree: bin/kavernix and bin/kavernix-tool (games/ in the package), the settings library in its own folder
# lib/ARCH/kavernix (found through the programs' RUNPATH, relative to them, so a moved tree works),
# the run folder's data set in share/kavernix (share/games/kavernix in the package; found by the game
# relative to its executable), its catalogues in share/locale, the desktop entry, icons, AppStream
# metainfo, the man pages, and the copyright file and changelog in share/doc/kavernix.
include(GNUInstallDirs)

set(KX_APP_ID org.kavernix.kavernix)
set(KX_HOMEPAGE "https://kavernix.example.org" CACHE STRING "Project home page (AppStream, package)")
set(KX_CONTACT "Kavernix maintainers <maintainers@kavernix.example.org>" CACHE STRING "Package maintainer")
set(KX_SOURCE_URL "${KX_HOMEPAGE}/source" CACHE STRING "Where the source code is (--version, copyright file)")
# The settings library is the game's own: it lies in a private folder, in the multiarch folder where
# the system has one (as Debian keeps private libraries; a folder straight under lib would also
# make CPack add ldconfig calls, which such a folder does not need and which keep a removed package
# listed until it is purged).
if(CMAKE_INSTALL_LIBDIR STREQUAL "lib" AND CMAKE_LIBRARY_ARCHITECTURE)
  set(KX_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/kavernix)
else()
  set(KX_LIBDIR ${CMAKE_INSTALL_LIBDIR}/kavernix)
endif()
set(KX_DATADIR ${CMAKE_INSTALL_DATADIR}/kavernix)

# The programs find their library and the game its data from their own folder.
file(RELATIVE_PATH kx_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${KX_LIBDIR})
file(RELATIVE_PATH kx_bin_to_data ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/kavernix)
file(RELATIVE_PATH kx_games_to_data ${CMAKE_INSTALL_PREFIX}/games ${CMAKE_INSTALL_FULL_DATADIR}/games/kavernix)
set_property(SOURCE src/app/paths.cpp APPEND PROPERTY COMPILE_DEFINITIONS KX_DATA_FROM_BIN="${kx_bin_to_data}"
             KX_DATA_FROM_GAMES="${kx_games_to_data}")
set_property(SOURCE src/app/launch.cpp APPEND PROPERTY COMPILE_DEFINITIONS KX_VERSION="${PROJECT_VERSION}"
             KX_SOURCE_URL="${KX_SOURCE_URL}")
set_property(SOURCE src/app/replay_record.cpp APPEND PROPERTY COMPILE_DEFINITIONS KX_VERSION="${PROJECT_VERSION}")
set_target_properties(kavernix kavernix-tool PROPERTIES INSTALL_RPATH "$ORIGIN/${kx_bin_to_lib}")
target_link_options(kavernix PRIVATE -Wl,--enable-new-dtags)
target_link_options(kavernix-tool PRIVATE -Wl,--enable-new-dtags)

install(TARGETS kavernix kavernix-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS grolksetup LIBRARY DESTINATION ${KX_LIBDIR} NAMELINK_SKIP)
# The settings dialog, loaded by the settings library from its own folder when a dialog opens.
install(TARGETS grolksetup-dialog LIBRARY DESTINATION ${KX_LIBDIR})
# The whole generated data set, without what a game run from the build's run folder may have left
# there (older builds wrote the font test image and the picture cache into it).
install(DIRECTORY ${KX_RUN_DIR}/ DESTINATION ${KX_DATADIR}
        PATTERN "fonttest.tga" EXCLUDE
        PATTERN "*-[0-9][0-9][0-9][0-9][0-9][0-9]-[0-9][0-9][0-9][0-9][0-9][0-9].tga" EXCLUDE
        PATTERN "*.part" EXCLUDE
        PATTERN "*.texhint.tga" EXCLUDE
        PATTERN "*.ini" EXCLUDE
        PATTERN "locale" EXCLUDE)
# The catalogues where gettext's tools expect them; the game finds share/locale beside share/kavernix.
install(DIRECTORY ${KX_RUN_DIR}/locale/ DESTINATION ${CMAKE_INSTALL_LOCALEDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

configure_file(packaging/kavernix.desktop ${CMAKE_BINARY_DIR}/packaging/${KX_APP_ID}.desktop COPYONLY)
configure_file(packaging/kavernix.metainfo.xml.in ${CMAKE_BINARY_DIR}/packaging/${KX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Man pages, compressed as Debian wants them (no time stamp in the gzip header).
set(kx_man_pages)
foreach(page kavernix.6 kavernix-tool.1)
  string(REGEX REPLACE ".*\\." "" section ${page})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
    DEPENDS packaging/${page} VERBATIM)
  list(APPEND kx_man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(manpages ALL DEPENDS ${kx_man_pages})

# The licence and the history, where Debian keeps them (and a source install beside them): the
# copyright file in Debian's machine-readable format, the changelog compressed as for a native package.
set(KX_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kavernix)
configure_file(packaging/copyright.in ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS packaging/changelog VERBATIM)
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${KX_DOCDIR})

# ---- The Debian package. `make package` builds first; cpack itself (and the install target) then
# takes the tree as it is rather than building everything again.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavernix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KX_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "first-person 3D maze game in a dragon's lamp-lit mine")
set(CPACK_PACKAGE_DESCRIPTION
    "Lead the hero Tarvin and his horse out of the dragon Grolk's mine: collect\n\
oil for the lamp, straw for the horse and diamonds for the dragon, keep clear\n\
of the spiders, and beat the best five times. Drawn with fixed-function\n\
OpenGL 1.1 through freeglut; shading, textures, culling, display lists and\n\
levels of detail switch while playing.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# SDL, OpenAL and libsndfile are opened by the game when first needed, so no linked library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libopenal1, libsndfile1, libsdl2-2.0-0")
# Mesa's drivers draw the game where no other OpenGL driver is installed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
# The games' places of Debian's policy: the programs in /usr/games, the data in /usr/share/games.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package_games.cmake)
include(CPack)

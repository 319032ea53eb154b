# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack between its staging install and the package: moves the programs to usr/games and the
# data to usr/share/games/kavernix, where Debian's policy puts games. Everything else stays where the
# install put it; the programs find their library (RUNPATH) and the game its data from either place.
set(usr ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${usr}/bin OR NOT IS_DIRECTORY ${usr}/share/kavernix)
  message(FATAL_ERROR "package_games: no bin/ or share/kavernix in ${usr}")
endif()
file(RENAME ${usr}/bin ${usr}/games)
file(MAKE_DIRECTORY ${usr}/share/games)
file(RENAME ${usr}/share/kavernix ${usr}/share/games/kavernix)

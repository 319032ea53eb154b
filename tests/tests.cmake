# SPDX-License-Identifier: GPL-3.0-or-later
# One line per test program: its sources, the module libraries it links, the targets it needs built
# first and other libraries.
set(KX_ALL_MODULES core sim app maze Wood brep image text scene game sound)
kx_test(maze_test SOURCES tests/maze_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS kavernix-tool)
kx_test(image_test SOURCES tests/image_test.cpp MODULES core image DEPENDS kavernix-tool)
kx_test(brep_test SOURCES tests/brep_test.cpp MODULES core brep)
kx_test(brep_file_test SOURCES tests/brep_file_test.cpp MODULES core brep image)
kx_test(hud_test SOURCES tests/hud_test.cpp MODULES core sim app text image sound game maze)
kx_test(app_test SOURCES tests/app_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
kx_test(input_test SOURCES tests/input_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
kx_test(pad_test SOURCES tests/pad_test.cpp MODULES ${KX_ALL_MODULES})
kx_test(pad_mapping_test SOURCES tests/pad_mapping_test.cpp MODULES ${KX_ALL_MODULES})
kx_test(brep_draw_gl_test SOURCES tests/brep_draw_gl_test.cpp MODULES core sim app brep image text maze game scene Wood sound)
kx_test(setup_test SOURCES tests/setup_test.cpp tests/key_capture_test.cpp MODULES core LIBS PkgConfig::GTK3 DEPENDS grolksetup-dialog runfolder)
kx_test(texture_gl_test SOURCES tests/texture_gl_test.cpp MODULES core image text)
kx_test(brep_refine_test SOURCES tests/brep_refine_test.cpp MODULES core brep)
kx_test(scene_gl_test SOURCES tests/scene_gl_test.cpp MODULES core sim app maze game brep image text Wood scene sound)
kx_test(art_test SOURCES tests/art_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS kavernix-art)
kx_test(catalogue_test SOURCES tests/catalogue_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS kavernix-tool)
kx_test(data_models_test SOURCES tests/data_models_test.cpp MODULES ${KX_ALL_MODULES})
kx_test(startup_test SOURCES tests/startup_test.cpp MODULES ${KX_ALL_MODULES})
kx_test(startup_screens_test SOURCES tests/startup_screens_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
kx_test(play_test SOURCES tests/play_test.cpp tests/play_game_test.cpp tests/play_access_test.cpp tests/play_input_test.cpp tests/play_controls_test.cpp tests/play_ghost_test.cpp MODULES sim core DEPENDS kx_pad_preload kavernix kavernix-tool runfolder LIBS PkgConfig::SNDFILE)
# The virtual pad the play test loads into the game (LD_PRELOAD).
add_library(kx_pad_preload MODULE tests/pad_preload.cpp)
target_compile_options(kx_pad_preload PRIVATE ${KX_WARNINGS})
target_link_libraries(kx_pad_preload PRIVATE PkgConfig::SDL2 ${CMAKE_DL_LIBS})
target_compile_definitions(play_test PRIVATE KX_PAD_PRELOAD="$<TARGET_FILE:kx_pad_preload>")
kx_test(sound_test SOURCES tests/sound_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder grolksetup-dialog LIBS PkgConfig::GTK3)
kx_test(mines_test SOURCES tests/mines_test.cpp MODULES ${KX_ALL_MODULES})
# The step without GL: this program links the step's library and core alone, and checks the replays.
kx_test(replay_test SOURCES tests/replay_test.cpp MODULES sim core)
kx_test(ghost_test SOURCES tests/ghost_test.cpp MODULES ${KX_ALL_MODULES} LIBS ZLIB::ZLIB)
kx_test(lang_test SOURCES tests/lang_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
# Every catalogue compiles cleanly and holds every text the code marks.
add_test(NAME Po.EveryTextTranslatedAndWellFormed COMMAND sh ${CMAKE_SOURCE_DIR}/tests/po_test.sh ${CMAKE_SOURCE_DIR})
kx_test(paths_test SOURCES tests/paths_test.cpp MODULES core)
kx_test(library_test SOURCES tests/library_test.cpp MODULES core)
# The installed tree and the Debian package (run after the whole build).
add_test(NAME Install.PlaysFromMovedReadOnlyTree COMMAND sh ${CMAKE_SOURCE_DIR}/tests/install_test.sh tree ${CMAKE_BINARY_DIR})
add_test(NAME Install.DebianPackage COMMAND sh ${CMAKE_SOURCE_DIR}/tests/install_test.sh package ${CMAKE_BINARY_DIR})
kx_test(launch_test SOURCES tests/launch_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS kavernix kavernix-tool runfolder)
target_compile_definitions(launch_test PRIVATE KX_VERSION="${PROJECT_VERSION}")
# The licence-line check itself (tools/check-spdx), on a repository the test makes.
add_test(NAME Licence.SpdxCheckNamesFilesWithoutTheLine COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check_spdx_test.sh ${CMAKE_SOURCE_DIR})
# Every tracked source, header, CMake and script file names its licence.
add_test(NAME Licence.EverySourceNamesItsLicence COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-spdx ${CMAKE_SOURCE_DIR})
# The layer check itself (tools/check-layers.py), on a source tree the test makes.
add_test(NAME Layers.CheckNamesUpwardCircularAndUnknownIncludes COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check_layers_test.sh ${CMAKE_SOURCE_DIR})
# Every folder of the tree includes only the folders below it.
add_test(NAME Layers.TheTreeKeepsItsLayers COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check-layers.py ${CMAKE_SOURCE_DIR})
kx_test(looks_test SOURCES tests/looks_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
kx_test(frames_gl_test SOURCES tests/frames_gl_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
kx_test(captions_test SOURCES tests/captions_test.cpp MODULES ${KX_ALL_MODULES} DEPENDS runfolder)
# The replays recorded from this version's play tests (KX_KEEP_REPLAYS=FOLDER with the play tests
# copies them there): each plays again to its recorded end. A change that alters how a run plays fails
# here until the rules version is raised and the replays are recorded again.
file(GLOB KX_REPLAYS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/replays/*.kxr)
foreach(replay IN LISTS KX_REPLAYS)
  get_filename_component(name ${replay} NAME_WE)
  add_test(NAME Replays.${name} COMMAND kavernix-tool replay ${replay})
endforeach()
add_test(NAME Replays.DamagedFilesAreRefusedInOneLine
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/replay_tool_test.sh $<TARGET_FILE:kavernix-tool>
                 ${CMAKE_SOURCE_DIR}/tests/replays/won-keys-pointer-pause-boss.kxr)

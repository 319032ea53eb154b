# SPDX-License-Identifier: GPL-3.0-or-later
kx_fuzz(fuzz_settings_file SOURCES tests/fuzz/settings_file.cpp src/setup/settings_file.cpp src/setup/settings_values.cpp
        MODULES core)
kx_fuzz(fuzz_tga SOURCES tests/fuzz/tga.cpp MODULES core image text)
kx_fuzz(fuzz_brepdef SOURCES tests/fuzz/brepdef.cpp src/brep/brep.cpp src/brep/brep_alloc.cpp src/brep/brep_index.cpp
        src/brep/brep_build.cpp src/brep/brep_refine.cpp src/brep/brep_refine_holes.cpp src/brep/brep_split.cpp
        MODULES core)
kx_fuzz(fuzz_brep_text SOURCES tests/fuzz/brep_text.cpp MODULES core brep image text)
kx_fuzz(fuzz_brep_bin SOURCES tests/fuzz/brep_bin.cpp MODULES core brep image text)
kx_fuzz(fuzz_sound SOURCES tests/fuzz/sound.cpp MODULES core sound)
kx_fuzz(fuzz_mine_code SOURCES tests/fuzz/mine_code.cpp src/setup/mine_code.cpp MODULES core)
kx_fuzz(fuzz_mine_records SOURCES tests/fuzz/mine_records.cpp src/setup/mine_records.cpp src/setup/mine_code.cpp MODULES core)
kx_fuzz(fuzz_run_save SOURCES tests/fuzz/run_save.cpp src/game/run_save.cpp MODULES core sim app maze Wood brep image text scene game sound)
kx_fuzz(fuzz_replay SOURCES tests/fuzz/replay.cpp MODULES core sim app maze Wood brep image text scene game sound)

kx_fuzz(fuzz_settings_file SOURCES tests/fuzz/settings_file.cpp src/setup/settings_file.cpp MODULES core)

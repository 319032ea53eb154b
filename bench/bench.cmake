kx_bench(bench_visibility SOURCES bench/visibility.cpp MODULES core app maze Wood brep image text scene game)
kx_bench(bench_maze_draw SOURCES bench/maze_draw.cpp MODULES core app maze Wood brep image text scene game)
kx_bench(bench_tga_load SOURCES bench/tga_load.cpp MODULES core image)

kx_bench(bench_visibility SOURCES bench/visibility.cpp MODULES core app maze Wood brep image text scene game)

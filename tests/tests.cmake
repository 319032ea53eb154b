# One line per test program: its sources and the module libraries it links.
kx_test(record_test SOURCES tests/record_test.cpp MODULES core)
kx_test(maze_test SOURCES tests/maze_test.cpp MODULES core maze game brep)

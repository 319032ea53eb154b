# One line per test program: its sources and the module libraries it links.
kx_test(record_test SOURCES tests/record_test.cpp MODULES core)
kx_test(maze_test SOURCES tests/maze_test.cpp MODULES core maze game brep)
kx_test(wood_gl_test SOURCES tests/wood_gl_test.cpp MODULES Wood)
kx_test(tga_test SOURCES tests/tga_test.cpp MODULES core image)
kx_test(maze_query_test SOURCES tests/maze_query_test.cpp MODULES core maze game brep)

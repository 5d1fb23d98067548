# No GoogleTest is packaged for a cross build's target: it is built from Debian's sources (the package
# googletest), with its own warning options rather than ours; it names its targets as find_package(GTest)
# does (GTest::gtest_main, GTest::gmock).
set(NUMBERWELL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, for a cross build")
set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest" FORCE)
get_directory_property(numberwell_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${NUMBERWELL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${numberwell_options}")

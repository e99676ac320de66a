# Test support for a cross build whose executables run through
# CMAKE_CROSSCOMPILING_EMULATOR: GoogleTest is built for the target from the
# sources Debian ships; the simulated phone starts korvane through the
# emulator (KORVANE_EMULATOR), since the kernel cannot start a foreign executable.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 emulator_name)
find_program(KORVANE_EMULATOR NAMES ${emulator_name} REQUIRED)


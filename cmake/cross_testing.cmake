# Test support for a cross build whose executables run through
# CMAKE_CROSSCOMPILING_EMULATOR: GoogleTest is built for the target from the
# sources Debian ships, and korvane is reached through a small wrapper, since
# the kernel cannot start a foreign executable that a test spawns directly.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 emulator_name)
find_program(KORVANE_EMULATOR NAMES ${emulator_name} REQUIRED)

set(korvane_command ${CMAKE_BINARY_DIR}/korvane-emulated)
file(GENERATE OUTPUT ${korvane_command}
    CONTENT "#!/bin/sh\nexec '${KORVANE_EMULATOR}' '$<TARGET_FILE:korvane>' \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

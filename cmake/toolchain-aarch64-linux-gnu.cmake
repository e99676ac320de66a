# Cross-compiles for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu into
# fully static, stripped executables: a phone has no glibc to link against.
# Test executables run on this machine through qemu-aarch64-static, which needs
# no sysroot because nothing is linked dynamically.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries come from the cross tree only; header-only packages such as
# nlohmann_json install their CMake files under the host's /usr/share/cmake,
# which is the same for every architecture, so packages are searched in both.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)

# Size matters on the device: drop unused sections, link static, strip.
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -s -Wl,--gc-sections")

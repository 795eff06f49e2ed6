# Cross build for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu; the
# result runs here under qemu-user (qemu-aarch64). Used by tools/check-ports.sh:
#   cmake -S . -B build-aarch64 -DMORVEX_CORE_ONLY=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/ports/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# The cross compiler's own libc, and Debian's multiarch libraries of the
# target (the :arm64 packages in /usr/lib/aarch64-linux-gnu, headers in
# /usr/include), which pkg-config finds through the target's .pc files.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

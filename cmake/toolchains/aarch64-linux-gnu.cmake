# Cross build for 64-bit ARM Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu), its tests run through qemu-aarch64.
#
#   scripts/aarch64-sysroot.sh build-aarch64-sysroot
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake \
#         -DKV71P_AARCH64_SYSROOT=$PWD/build-aarch64-sysroot -DKV71P_FILTER_ONLY=ON
#
# The arm64 libraries come from the folder that scripts/aarch64-sysroot.sh
# unpacks; the C library and the C++ runtime the compiler links with are
# the cross compiler's own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(KV71P_AARCH64_SYSROOT "$ENV{KV71P_AARCH64_SYSROOT}" CACHE PATH
    "Folder with the unpacked arm64 libraries (scripts/aarch64-sysroot.sh)")
if(NOT KV71P_AARCH64_SYSROOT)
  message(FATAL_ERROR "Set KV71P_AARCH64_SYSROOT to the folder scripts/aarch64-sysroot.sh made")
endif()
# Try-compile projects see the folder too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KV71P_AARCH64_SYSROOT)

# Libraries, headers and packages from the folder (and the compiler's own),
# programs from the host.
set(CMAKE_FIND_ROOT_PATH "${KV71P_AARCH64_SYSROOT}" /usr/aarch64-linux-gnu)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR}
    "${KV71P_AARCH64_SYSROOT}/usr/lib/aarch64-linux-gnu/pkgconfig:${KV71P_AARCH64_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${KV71P_AARCH64_SYSROOT}")

# The libraries the arm64 libraries load in turn are found in the folder
# when linking.
set(_kv71p_libs "${KV71P_AARCH64_SYSROOT}/usr/lib/aarch64-linux-gnu:${KV71P_AARCH64_SYSROOT}/lib/aarch64-linux-gnu")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,-rpath-link,${_kv71p_libs}")
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,-rpath-link,${_kv71p_libs}")

# No binfmt handler is registered for aarch64 on the build machines: CTest
# starts every test program through qemu, which loads the dynamic linker
# and the libraries from the folder.
find_program(KV71P_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${KV71P_QEMU_AARCH64};-L;${KV71P_AARCH64_SYSROOT}")

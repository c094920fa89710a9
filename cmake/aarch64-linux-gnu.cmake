# Cross-compiles for 64-bit ARM Linux with GCC (`make arm64`; apt-get install
# g++-aarch64-linux-gnu). The programs link the ARM C and C++ libraries
# dynamically, as the Debian package's executable must; the tests run under
# qemu-aarch64 (apt-get install qemu-user), which finds the ARM loader and
# libraries under the cross compiler's folder.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(QUORVANE_ARM64_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${QUORVANE_ARM64_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVANE_ARM64_PREFIX}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_ARM64_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test runs go through user-mode emulation, however ctest is started; the
# end-to-end tests start the tool through it too.
find_program(QUORVANE_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(QUORVANE_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVANE_QEMU_AARCH64} -L /usr/${QUORVANE_ARM64_PREFIX})
endif()

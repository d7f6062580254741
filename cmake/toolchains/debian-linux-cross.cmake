# Cross-builds tabulor for another Linux machine with Debian's cross
# compiler for it (package g++-ARCH-linux-gnu); tests run under qemu-user.
# TABULOR_TARGET_ARCH names the machine: s390x (big-endian), aarch64, ...
if(NOT TABULOR_TARGET_ARCH)
  message(FATAL_ERROR "Set TABULOR_TARGET_ARCH (s390x, aarch64, ...)")
endif()
# Also for CMake's compiler checks, which read this file anew.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TABULOR_TARGET_ARCH)
set(triplet ${TABULOR_TARGET_ARCH}-linux-gnu)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${TABULOR_TARGET_ARCH})
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${TABULOR_TARGET_ARCH} -L /usr/${triplet})

# 32-bit x86 (Debian's i386) on an x86_64 machine with the native compilers and -m32:
# the multilib runtime (g++-multilib) and the i386 multiarch libraries under
# /usr/lib/i386-linux-gnu (packages installed as foo:i386).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i386.cmake ...
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
# Compilers given by the caller (CC, CXX or -DCMAKE_*_COMPILER) are kept; -m32 works
# with GCC and Clang alike.
if(NOT CMAKE_C_COMPILER AND NOT DEFINED ENV{CC})
  set(CMAKE_C_COMPILER gcc)
endif()
if(NOT CMAKE_CXX_COMPILER AND NOT DEFINED ENV{CXX})
  set(CMAKE_CXX_COMPILER g++)
endif()
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# find_library and find_package look in lib/i386-linux-gnu (and lib32), not in the
# x86_64 directories.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# pkg-config for the i386 .pc files: the wrapper of pkg-config:i386 when installed,
# otherwise the native one restricted to the i386 directories.
if(NOT PKG_CONFIG_EXECUTABLE AND EXISTS /usr/bin/i686-linux-gnu-pkg-config)
  set(PKG_CONFIG_EXECUTABLE /usr/bin/i686-linux-gnu-pkg-config CACHE FILEPATH "")
endif()
if(NOT PKG_CONFIG_EXECUTABLE)
  set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
endif()

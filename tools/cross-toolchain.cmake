# Cross-compiling for another Debian architecture with its multiarch cross
# compiler. tools/cross-build.sh passes:
#   QUORVA_CROSS_TRIPLET    the GNU triplet (arm-linux-gnueabihf, aarch64-linux-gnu)
#   QUORVA_CROSS_PROCESSOR  CMake's name of the processor (arm, aarch64)
#   QUORVA_CROSS_EMULATOR   the qemu-user-static program that runs what is built
#   QUORVA_CROSS_LOADER     the architecture's dynamic loader (ld-linux-armhf.so.3)
#   QUORVA_CROSS_SYSROOT    empty when the libraries are installed through multiarch;
#                           else the folder they are unpacked in
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${QUORVA_CROSS_PROCESSOR})
set(CMAKE_C_COMPILER ${QUORVA_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVA_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${QUORVA_CROSS_TRIPLET})
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVA_CROSS_EMULATOR})

# The values reach the try-compile projects too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVA_CROSS_TRIPLET QUORVA_CROSS_PROCESSOR
  QUORVA_CROSS_EMULATOR QUORVA_CROSS_LOADER QUORVA_CROSS_SYSROOT)

# Programs (rsvg-convert, pkg-config) are the machine's own; libraries and
# headers the target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(QUORVA_CROSS_SYSROOT)
  set(CMAKE_SYSROOT ${QUORVA_CROSS_SYSROOT})
  set(ENV{PKG_CONFIG_SYSROOT_DIR} ${QUORVA_CROSS_SYSROOT})
  # libunibreak's package is not multiarch: it keeps its library and its
  # pkg-config file in /usr/lib itself.
  set(ENV{PKG_CONFIG_LIBDIR}
    "${QUORVA_CROSS_SYSROOT}/usr/lib/${QUORVA_CROSS_TRIPLET}/pkgconfig:${QUORVA_CROSS_SYSROOT}/usr/lib/pkgconfig:${QUORVA_CROSS_SYSROOT}/usr/share/pkgconfig")
  # Programs in the build tree load the sysroot's loader and libraries, so that
  # qemu runs them as they are. Installing (the Debian package) takes the search
  # path out again, and tools/make-deb.sh gives them the system's loader.
  set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-Wl,--dynamic-linker=${QUORVA_CROSS_SYSROOT}/lib/${QUORVA_CROSS_LOADER} -Wl,--disable-new-dtags")
  # Some libraries live in folders of their own (pulseaudio/, blas/), which their
  # users name by absolute paths outside the sysroot.
  set(CMAKE_BUILD_RPATH
    ${QUORVA_CROSS_SYSROOT}/lib/${QUORVA_CROSS_TRIPLET} ${QUORVA_CROSS_SYSROOT}/usr/lib/${QUORVA_CROSS_TRIPLET}
    ${QUORVA_CROSS_SYSROOT}/usr/lib)
  file(GLOB_RECURSE sysrootLibraries LIST_DIRECTORIES false
    ${QUORVA_CROSS_SYSROOT}/usr/lib/${QUORVA_CROSS_TRIPLET}/*.so*)
  foreach(library ${sysrootLibraries})
    get_filename_component(folder ${library} DIRECTORY)
    list(APPEND CMAKE_BUILD_RPATH ${folder})
  endforeach()
  list(REMOVE_DUPLICATES CMAKE_BUILD_RPATH)
else()
  set(CMAKE_FIND_ROOT_PATH /)
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${QUORVA_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
endif()

#!/usr/bin/env bash
# Builds quorva, quorva-scan and the unit tests for another Debian 12 architecture
# and runs the unit tests under qemu-user-static.
#
#   tools/cross-build.sh armhf|arm64 [TARGET...]
#
# TARGETs are built instead of the default three (quorva quorva-scan quorva_tests);
# the tests run only when quorva_tests is among them.
#
# Environment:
#   QUORVA_CROSS_DIR      build folder (default build-<arch>)
#   QUORVA_CROSS_SYSROOT  where the architecture's libraries are unpacked when they
#                         cannot be installed beside the machine's own (default
#                         /opt/quorva-cross/<arch>)
#   QUORVA_CROSS_TESTS    ctest -R expression of the tests to run (default: those
#                         that finish under emulation; see EMULATED_TESTS below)
#
# What it installs: the cross compiler and qemu-user-static, then the libraries of
# tools/install-deps.sh --list-libraries for the architecture. Those go beside the
# machine's own through multiarch when apt can do that without removing or changing
# any installed package; otherwise (the machine's packages are older than the
# archive's, and a library of another architecture must match its own version
# exactly) they are unpacked into the sysroot folder instead, and the machine's
# packages stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

ARCH=${1:-}
shift || true
case "$ARCH" in
    armhf) TRIPLET=arm-linux-gnueabihf; PROCESSOR=arm; QEMU=qemu-arm-static; LOADER=ld-linux-armhf.so.3 ;;
    arm64) TRIPLET=aarch64-linux-gnu; PROCESSOR=aarch64; QEMU=qemu-aarch64-static; LOADER=ld-linux-aarch64.so.1 ;;
    *)
        echo "Usage: tools/cross-build.sh armhf|arm64 [TARGET...]" >&2
        exit 2
        ;;
esac
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(quorva quorva-scan quorva_tests)
BUILD=${QUORVA_CROSS_DIR:-$ROOT/build-$ARCH}
SYSROOT=${QUORVA_CROSS_SYSROOT:-/opt/quorva-cross/$ARCH}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

# Installs packages that are missing, after asking apt what it would do: nothing
# installed may be removed.
install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    if $SUDO apt-get install -s --no-remove --no-install-recommends "${missing[@]}" | grep -q '^Remv'; then
        echo "cross-build: installing ${missing[*]} would remove packages; not done" >&2
        exit 1
    fi
    $SUDO apt-get install -y -qq --no-remove --no-install-recommends "${missing[@]}"
}

# What building and testing need natively (artwork, ffmpeg for the tests' media),
# and the cross tools.
bash tools/install-deps.sh
if ! dpkg --print-foreign-architectures | grep -qx "$ARCH"; then
    $SUDO dpkg --add-architecture "$ARCH"
    $SUDO apt-get update -qq
fi
install_packages "g++-$TRIPLET" qemu-user-static patchelf

mapfile -t LIBRARIES < <(bash tools/install-deps.sh --list-libraries)
FOREIGN=("${LIBRARIES[@]/%/:$ARCH}")

# Multiarch when apt would only add packages: no removal, no other version of an
# installed one.
multiarch_plan=$($SUDO apt-get install -s --no-remove --no-install-recommends "${FOREIGN[@]}" 2>&1 || true)
if ! grep -qE '^(Remv |Inst [^ ]+ \[|E: )' <<<"$multiarch_plan"; then
    echo "cross-build: the $ARCH libraries install beside the machine's own"
    $SUDO apt-get install -y -qq --no-remove --no-install-recommends "${FOREIGN[@]}"
    SYSROOT=""
else
    echo "cross-build: the $ARCH libraries would change installed packages; using $SYSROOT"
    bash tools/cross-sysroot.sh "$ARCH" "$SYSROOT" "${FOREIGN[@]}"
fi

# -O2, as the quick start's build: GCC 12 warns falsely about some string code at -O3.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/tools/cross-toolchain.cmake" \
    -DQUORVA_CROSS_TRIPLET="$TRIPLET" -DQUORVA_CROSS_PROCESSOR="$PROCESSOR" \
    -DQUORVA_CROSS_EMULATOR="$(command -v "$QEMU")" -DQUORVA_CROSS_SYSROOT="$SYSROOT" \
    -DQUORVA_CROSS_LOADER="$LOADER"
nice cmake --build "$BUILD" -j2 --target "${TARGETS[@]}"

[[ " ${TARGETS[*]} " == *" quorva_tests "* ]] || exit 0

# Under emulation a program runs five to twenty times slower. Every unit test
# runs; of the tests that start the real binary, those whose work is reading,
# writing and answering keys (start-up, stats, export, the scanner, large files).
# Playing films at full speed (films in parts, subtitles; the scanner's
# whole-library test plays its films too), the browser and the window tests stay
# with the native build, and so do
# the two that need a failed exec reported by posix_spawn, which qemu-user
# cannot do (it runs the child as a fork).
EMULATED_TESTS=${QUORVA_CROSS_TESTS:-}
EXCLUDED='Playback|AnyContainer|FilmFiles|Subtitle.*EndToEnd|MediaFault|Quit|Remote.*EndToEnd|Browser|DiskFault|Navigation|Browse.*EndToEnd'
EXCLUDED+='|ScanEndToEnd.AFolderOfFilmsBecomesALibraryQuorvaShowsAndPlays'
EXCLUDED+='|PallixSpawnTest.AProgramThatCannotStartIsReportedAsFalse|WindowUtilsTest.WithTheExternalPlayer'
cd "$BUILD"
if [ -n "$EMULATED_TESTS" ]; then
    ctest -j2 --output-on-failure --timeout 600 -R "$EMULATED_TESTS"
else
    ctest -j2 --output-on-failure --timeout 600 -E "$EXCLUDED"
fi

#!/usr/bin/env bash
# Installs what Quorva needs on Debian 12: to build and run it, and with --tests
# what the test suite needs besides (the browser, clang for fuzzing, Node and the
# browser test's npm packages).
#
#   tools/install-deps.sh [--tests]
#   tools/install-deps.sh --list-libraries   prints the libraries' -dev packages
set -euo pipefail

# The libraries Quorva and quorva-scan link (their -dev packages). tools/cross-build.sh
# installs the same list for the other architectures, so a new library goes here.
LIBRARIES=(
    libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfontconfig-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
    libass-dev libpugixml-dev libcpp-httplib-dev
    libfribidi-dev libharfbuzz-dev libunibreak-dev libicu-dev
)
# The libraries the unit tests link, built for the other architectures too.
TEST_LIBRARIES=(libgtest-dev libgmock-dev libx11-dev)
# Building (the artwork is made by rsvg-convert), running (the system face, the
# demo's media made by ffmpeg, nc for the control channel).
TOOLS=(build-essential cmake ninja-build pkg-config librsvg2-bin fonts-dejavu-core ffmpeg netcat-openbsd)
# Faces for the scripts DejaVu Sans lacks: Chinese, Japanese and Korean; Thai;
# Devanagari.
FONTS=(fonts-wqy-microhei fonts-tlwg-loma-ttf fonts-lohit-deva)
# The tests: a display server of their own, the browser of the phone remote's
# test, clang 16 for the fuzz targets, and a face for the subtitle test's
# attachment that no other font stands in for.
TEST_TOOLS=(xvfb chromium clang-16 libclang-rt-16-dev fonts-ocr-a)

bTests=false
case "${1:-}" in
    "") ;;
    --tests) bTests=true ;;
    --list-libraries)
        printf '%s\n' "${LIBRARIES[@]}" "${TEST_LIBRARIES[@]}"
        exit 0
        ;;
    *)
        echo "Usage: tools/install-deps.sh [--tests | --list-libraries]" >&2
        exit 2
        ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

PACKAGES=("${TOOLS[@]}" "${FONTS[@]}" "${LIBRARIES[@]}")
if $bTests; then
    PACKAGES+=("${TEST_LIBRARIES[@]}" "${TEST_TOOLS[@]}")
    # The browser test runs on Node; a machine that has it already keeps its own.
    if ! command -v node >/dev/null 2>&1; then
        PACKAGES+=(nodejs npm)
    fi
fi

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}"
fi

if $bTests; then
    # The browser test's driver, puppeteer-core, as locked in tests/browser (it uses
    # the system's Chromium and downloads no browser of its own).
    BROWSER_TESTS="$(cd "$(dirname "$0")/.." && pwd)/tests/browser"
    if ! npm ls --prefix "$BROWSER_TESTS" --depth=0 >/dev/null 2>&1; then
        npm ci --prefix "$BROWSER_TESTS" --no-audit --no-fund --loglevel=error
    fi
fi

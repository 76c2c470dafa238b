#!/usr/bin/env bash
# Installs what Quorva needs to build, run and test on Debian 12.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev
    libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core
    librsvg2-bin netcat-openbsd
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
    libpugixml-dev
    libcpp-httplib-dev chromium
    xvfb libx11-dev
    libavfilter-dev libass-dev
    fonts-ocr-a
    clang-16 libclang-rt-16-dev
    libfribidi-dev libharfbuzz-dev libunibreak-dev libicu-dev
    fonts-wqy-microhei fonts-tlwg-loma-ttf fonts-lohit-deva
)
# The browser test runs on Node; a machine that has it already keeps its own.
if ! command -v node >/dev/null 2>&1; then
    PACKAGES+=(nodejs npm)
fi

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser test's driver, puppeteer-core, as locked in tests/browser (it uses
# the system's Chromium and downloads no browser of its own).
BROWSER_TESTS="$(cd "$(dirname "$0")/.." && pwd)/tests/browser"
if ! npm ls --prefix "$BROWSER_TESTS" --depth=0 >/dev/null 2>&1; then
    npm ci --prefix "$BROWSER_TESTS" --no-audit --no-fund --loglevel=error
fi

#!/usr/bin/env bash
# Makes the Debian package quorva_<version>_<arch>.deb for the machine's own
# architecture and for each cross architecture, and checks each with lintian.
#
#   tools/make-deb.sh [host|armhf|arm64]...     (default: host armhf arm64)
#
# Environment:
#   QUORVA_DEB_DIR    where the packages go (default build-deb/)
#   QUORVA_CROSS_DIR  the cross build folder, as for tools/cross-build.sh (default
#                     build-<arch>/); the host's package builds in build-deb-<arch>/
#
# The version is the newest entry of tools/debian/changelog. Depends: is what
# dpkg-shlibdeps finds for the libraries the two programs link, plus the
# packages Quorva needs at run time that no program links (RUNTIME_DEPENDS).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

# Needed at run time without being linked: the system face of the text.
RUNTIME_DEPENDS=(fonts-dejavu-core)
# The faces of the scripts DejaVu Sans lacks (Chinese, Japanese, Korean, Thai,
# Devanagari): titles in them need these, a box without such titles does not.
RUNTIME_RECOMMENDS=(fonts-wqy-microhei fonts-tlwg-loma-ttf fonts-lohit-deva)

ARCHES=("$@")
[ ${#ARCHES[@]} -gt 0 ] || ARCHES=(host armhf arm64)
OUT=${QUORVA_DEB_DIR:-$ROOT/build-deb}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
bash tools/install-deps.sh
missing=()
for package in dpkg-dev lintian patchelf systemd; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-remove --no-install-recommends "${missing[@]}"
fi

VERSION=$(dpkg-parsechangelog -l tools/debian/changelog -S Version)

# Builds one architecture and installs it into a staging folder: sets BUILD,
# DEB_ARCH, SYSROOT (empty when the libraries are the machine's) and LOADER.
build() {
    local arch=$1
    STAGE=$OUT/stage-$arch
    SYSROOT=""
    LOADER=""
    if [ "$arch" = host ]; then
        DEB_ARCH=$(dpkg --print-architecture)
        BUILD=$ROOT/build-deb-$DEB_ARCH
        cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
            -DQUORVA_TESTS=OFF >/dev/null
        nice cmake --build "$BUILD" -j2 --target quorva quorva-scan artwork
    else
        DEB_ARCH=$arch
        BUILD=${QUORVA_CROSS_DIR:-$ROOT/build-$arch}
        QUORVA_CROSS_DIR=$BUILD bash tools/cross-build.sh "$arch" quorva quorva-scan artwork
        SYSROOT=$(sed -n 's/^QUORVA_CROSS_SYSROOT:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
        LOADER=$(sed -n 's/^QUORVA_CROSS_LOADER:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
    fi
    rm -rf "$STAGE"
    DESTDIR=$STAGE cmake --install "$BUILD" --prefix /usr --strip >/dev/null
    # A program built against a sysroot names the sysroot's loader; installed, it
    # uses the system's.
    if [ -n "$SYSROOT" ]; then
        for program in "$STAGE"/usr/bin/*; do
            patchelf --set-interpreter "/lib/$LOADER" "$program"
        done
    fi
}

# The control file, Depends: from the programs' libraries.
control() {
    local work=$OUT/shlibs-$DEB_ARCH
    rm -rf "$work"
    mkdir -p "$work/debian"
    printf 'Source: quorva\n\nPackage: quorva\nArchitecture: any\n' >"$work/debian/control"
    local search=()
    [ -n "$SYSROOT" ] && search=("-S$SYSROOT")
    local depends
    depends=$(cd "$work" && DEB_HOST_ARCH=$DEB_ARCH dpkg-shlibdeps -O "${search[@]}" \
        "$STAGE/usr/bin/quorva" "$STAGE/usr/bin/quorva-scan" | sed -n 's/^shlibs:Depends=//p')
    rm -rf "$work"
    depends="$depends, $(IFS=,; echo "${RUNTIME_DEPENDS[*]}" | sed 's/,/, /g')"
    mkdir -p "$STAGE/DEBIAN"
    cat >"$STAGE/DEBIAN/control" <<EOF
Package: quorva
Version: $VERSION
Architecture: $DEB_ARCH
Maintainer: Quorva Developers <quorva@quorva.invalid>
Installed-Size: $(du -sk --exclude=DEBIAN "$STAGE" | cut -f1)
Depends: $depends
Recommends: $(IFS=,; echo "${RUNTIME_RECOMMENDS[*]}" | sed 's/,/, /g')
Section: video
Priority: optional
Homepage: https://quorva.invalid/
Description: movie jukebox for the living-room TV
 Quorva shows a collection of films on the TV, by genre, as a table or as a
 grid of covers, and plays them in its own player, driven by a remote
 control, a gamepad or a phone. quorva-scan makes its database from folders
 of films.
 .
 The package starts Quorva full screen on the console of a box without a
 desktop (the quorva service, disabled until enabled), and gives desktops a
 menu entry.
EOF
}

package() {
    local doc=$STAGE/usr/share/doc/quorva
    install -m 644 tools/debian/copyright "$doc/copyright"
    gzip -9n -c tools/debian/changelog >"$doc/changelog.gz"
    gzip -9n "$doc/README.md"
    control
    install -m 755 tools/debian/postinst "$STAGE/DEBIAN/postinst"
    echo /etc/quorva/client.properties >"$STAGE/DEBIAN/conffiles"
    # systemd checks the unit, with the program where the package puts it.
    local unit=$OUT/unit-$DEB_ARCH
    mkdir -p "$unit"
    sed "s|/usr/bin/quorva|$STAGE/usr/bin/quorva|" tools/debian/quorva.service >"$unit/quorva.service"
    systemd-analyze verify "$unit/quorva.service"
    rm -rf "$unit"
    find "$STAGE" -type d -exec chmod 755 {} +
    local deb=$OUT/quorva_${VERSION}_${DEB_ARCH}.deb
    dpkg-deb --root-owner-group -Zxz --build "$STAGE" "$deb" >/dev/null
    rm -rf "$STAGE"
    echo "make-deb: $deb"
    lintian --fail-on error "$deb"
}

for arch in "${ARCHES[@]}"; do
    case "$arch" in
        host | armhf | arm64) ;;
        *)
            echo "Usage: tools/make-deb.sh [host|armhf|arm64]..." >&2
            exit 2
            ;;
    esac
    build "$arch"
    package
done

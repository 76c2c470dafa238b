#!/usr/bin/env bash
# Unpacks Debian packages of another architecture, with everything they depend on,
# into a folder of their own (a sysroot) that a cross compiler builds against and
# qemu runs from. Nothing is installed: the machine's own packages are untouched.
#
#   tools/cross-sysroot.sh ARCH SYSROOT PACKAGE:ARCH...
#
# The folder is made again only when the packages asked for or the archive's
# package lists have changed. DEBIAN/shlibs and DEBIAN/symbols in it gather the
# packages' own, so that dpkg-shlibdeps -S SYSROOT names the packages a program
# built against it needs.
set -euo pipefail

ARCH=$1
SYSROOT=$2
shift 2

# One build of a sysroot at a time; a second waits and then finds it made.
mkdir -p "$(dirname "$SYSROOT")"
exec 9>"$SYSROOT.lock"
flock 9

key=$( { printf '%s\n' "$@" | sort; ls -l --time-style=+%s /var/lib/apt/lists/ 2>/dev/null | grep "_binary-${ARCH}_Packages" || true; } | sha256sum | cut -c1-16)
if [ "$(cat "$SYSROOT/.quorva-sysroot" 2>/dev/null || true)" = "$key" ]; then
    exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quorva-sysroot.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The whole closure, as apt resolves it for a machine that has nothing installed:
# the architecture's packages and the architecture-independent ones (headers,
# pkg-config files); the machine's own tools that satisfy the rest are not needed.
: >"$work/status"
apt-get install -s --no-install-recommends -o Dir::State::status="$work/status" "$@" >"$work/plan"
sed -nE "s/^Inst ([^ ]+) \(([^ ]+) .*\[(${ARCH}|all)\]\)( \[.*\])?$/\1=\2/p" "$work/plan" >"$work/packages"
if [ ! -s "$work/packages" ]; then
    cat "$work/plan" >&2
    echo "cross-sysroot: apt found no packages for $*" >&2
    exit 1
fi
echo "cross-sysroot: unpacking $(wc -l <"$work/packages") packages into $SYSROOT"

# Downloads are kept beside the sysroot, so that a change downloads only what is new.
debs=$SYSROOT.debs
mkdir -p "$debs"
(cd "$debs" && xargs -a "$work/packages" apt-get download -qq -o APT::Sandbox::User=root)

new=$SYSROOT.new
rm -rf "$new"
mkdir -p "$new/DEBIAN"
: >"$new/DEBIAN/shlibs"
: >"$new/DEBIAN/symbols"
while IFS= read -r package; do
    name=${package%%=*}
    version=${package#*=}
    deb=$(ls "$debs/${name%%:*}_${version//:/%3a}_"*.deb)
    dpkg-deb -x "$deb" "$new"
    rm -rf "$work/control"
    dpkg-deb -e "$deb" "$work/control"
    for file in shlibs symbols; do
        [ -f "$work/control/$file" ] && cat "$work/control/$file" >>"$new/DEBIAN/$file"
    done
    # Libraries that several packages provide (BLAS, LAPACK) are reached through
    # links that the packages' scripts make: they are made here too.
    if [ -f "$work/control/postinst" ]; then
        sed -e ':a' -e '/\\$/N; s/\\\n//; ta' "$work/control/postinst" |
            sed -nE 's/.*update-alternatives[[:space:]]+--install[[:space:]]+([^[:space:]]+)[[:space:]]+[^[:space:]]+[[:space:]]+([^[:space:]]+)[[:space:]].*/\1 \2/p' |
            while read -r link path; do
                [ -e "$new$link" ] || ln -sfn "$(realpath -m --relative-to="$(dirname "$new$link")" "$new$path")" "$new$link"
            done
    fi
done <"$work/packages"

# Links that name absolute paths would lead out of the sysroot, to the machine's
# own files: they are made relative.
find "$new" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
    target=$(readlink "$link")
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$new$target")" "$link"
done

# A library that names its own folder by an absolute path (libpulse's pulseaudio/)
# is given that folder in the sysroot too, and the sysroot's library folders after
# it (such a path hides the program's own from the libraries it loads), for the
# programs run from the sysroot under qemu. The linker reads the first, the path
# as it was, inside the sysroot.
multiarch=$(dpkg-architecture -a"$ARCH" -qDEB_HOST_MULTIARCH 2>/dev/null)
find "$new" -name '*.so*' -type f -print0 | while IFS= read -r -d '' library; do
    path=$(patchelf --print-rpath "$library" 2>/dev/null) || continue
    [[ "$path" == /* ]] || continue
    path="$path:$(tr ':' '\n' <<<"$path" | sed "s|^/|$SYSROOT/|" | paste -sd:):$SYSROOT/lib/$multiarch:$SYSROOT/usr/lib/$multiarch"
    patchelf --set-rpath "$path" "$library"
done

echo "$key" >"$new/.quorva-sysroot"
rm -rf "$SYSROOT"
mkdir -p "$(dirname "$SYSROOT")"
mv "$new" "$SYSROOT"

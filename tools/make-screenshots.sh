#!/usr/bin/env bash
# Makes the README's screenshots (docs/*.png) from the current build and its demo
# library, with the headless display, so that they always show what Quorva shows.
#
# Usage: tools/make-screenshots.sh [BUILD_DIR]   (default: build; the demo target
# must have been built there: cmake --build build --target demo)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
BIN="$BUILD/bin"
DOCS="$PWD/docs"
[ -x "$BIN/quorva" ] && [ -f "$BIN/movies.html" ] || {
    echo "build the demo first: cmake --build $BUILD --target demo" >&2
    exit 1
}

PORT=${PORT:-18085}
LOG=$(mktemp)
PALLIX_DISPLAY=headless SDL_AUDIODRIVER=dummy PALLIX_ECP_PORT=$PORT "$BIN/quorva" >"$LOG" 2>&1 &
PID=$!
trap 'kill $PID 2>/dev/null || true; rm -f "$LOG"' EXIT

# One command, its reply awaited: the reply comes once what it caused is painted.
ask() {
    local reply=""
    printf '%s\n' "$1" >&3
    read -r -t 20 reply <&3 || true
    [ "$reply" = OK ] || { echo "'$1' answered '$reply'" >&2; exit 1; }
}

for _ in $(seq 100); do
    { exec 3<>"/dev/tcp/127.0.0.1/$PORT"; } 2>/dev/null && break
    sleep 0.1
done

ask "screenshot $DOCS/main.png"
# From "All" up to "Drama" (Thriller, Romance, Mystery, Family, Extras, Episodes,
# Drama); its grid loads a cover per tick.
for _ in 1 2 3 4 5 6 7; do ask "press Up"; done
ask "press Select"
sleep 1
ask "screenshot $DOCS/grid.png"
# Harbour Lights, fourth in the grid: its page, with its extras.
for _ in 1 2 3; do ask "press Right"; done
ask "press Select"
ask "screenshot $DOCS/info.png"
# Play it, then show the full on-screen display a moment later.
ask "press Select"
sleep 3
ask "press Info"
ask "press Info"
ask "screenshot $DOCS/player.png"
# Fifteen seconds on, then left: the film is in Continue Watching.
ask "press Up"
sleep 2
ask "press Exit"
# The details table, its titles in several scripts: from the title's page to the
# column menu, down to the table and into it, up to its last title.
ask "press Left"
ask "press Down"
ask "press Right"
ask "press Up"
ask "screenshot $DOCS/scripts.png"
# Back to the column menu from the table, then the three columns of what to watch next.
ask "press Left"
ask "press Down"
ask "press Right"
sleep 1
ask "screenshot $DOCS/continue.png"
ask "press Left"
ask "press Down"
ask "press Right"
sleep 1
ask "screenshot $DOCS/recent.png"
ask "press Left"
ask "press Down"
ask "press Right"
ask "type harb"
ask "screenshot $DOCS/search.png"
ask "quorvaApp exit"
exec 3<&-
wait $PID || true
# The demo keeps no trace of the run: the title played has no spot to resume
# and no watched mark.
find "$BIN/movies" \( -name '*.quorva' -o -name '*.quorva.watched' \) -newer "$LOG" -delete
echo "Screenshots written to $DOCS"

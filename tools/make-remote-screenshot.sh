#!/usr/bin/env bash
# Makes docs/remote.png, the README's picture of the phone remote page as a
# phone shows it while a demo title plays. Needs the demo staged
# (cmake --build build --target demo) and the browser test's driver
# (tools/install-deps.sh).
#
#   tools/make-remote-screenshot.sh [BIN_DIR [OUT.png]]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=$(cd "${1:-$ROOT/build/bin}" && pwd)
OUT=${2:-$ROOT/docs/remote.png}
[ -d "$BIN/movies" ] || { echo "no demo in $BIN: cmake --build build --target demo" >&2; exit 1; }

freePort() {
    node -e "const s = require('net').createServer().listen(0, '127.0.0.1', () => { console.log(s.address().port); s.close(); })"
}
CONTROL=$(freePort)
REMOTE=$(freePort)
WORK=$(mktemp -d)
QUORVA=
cleanup() {
    [ -n "$QUORVA" ] && kill "$QUORVA" 2>/dev/null && wait "$QUORVA" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# The demo library, seen through links, read in full (so that the page has
# each title's running time), with the remote turned on.
for name in quorva images graphics movies movies.html; do
    ln -s "$BIN/$name" "$WORK/$name"
done
{ cat "$BIN/client.properties"; echo "ondemand.parsing=true"; echo "remote.http.port=$REMOTE"; } \
    > "$WORK/client.properties"
# The database's paths are relative to the folder Quorva starts in.
(cd "$WORK" && PALLIX_DISPLAY=headless SDL_AUDIODRIVER=dummy PALLIX_ECP_PORT=$CONTROL exec ./quorva) \
    > "$WORK/console.log" 2>&1 &
QUORVA=$!
for _ in $(seq 100); do
    grep -q "^Remote: listening on port $REMOTE$" "$WORK/console.log" && break
    sleep 0.1
done

# The second column's table, its first title, played.
printf 'press Left\npress Down\npress Right\npress Play\n' | nc -q 1 127.0.0.1 "$CONTROL" > /dev/null
node "$ROOT/tools/remote-page-screenshot.mjs" "http://127.0.0.1:$REMOTE/" "$WORK/console.log" "$OUT"
echo "Wrote $OUT"

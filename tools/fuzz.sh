#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (clang 16, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS (default
# 60; 0 for no limit), two at a time. Exits non-zero when any target finds a
# crash, a leak or a timeout, naming the file that reproduces it.
#
#   tools/fuzz.sh [SECONDS]
#
# Environment:
#   QUORVA_FUZZ_TARGETS   names of the targets to run (default: all)
#   QUORVA_FUZZ_PARALLEL  targets run at once (default 2)
#   QUORVA_FUZZ_ARGS      more libFuzzer options, e.g. -runs=10000000
#
# A target may have fuzz/<target>.dict (a dictionary) and fuzz/<target>.options
# (more libFuzzer options on one line). New corpus entries are kept in
# build-fuzz/corpus/<target>/ from run to run; the committed seeds in
# fuzz/corpus/<target>/ are only read. Findings go to
# build-fuzz/findings/<target>/, logs to build-fuzz/logs/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

LIMIT=${1:-60}
PARALLEL=${QUORVA_FUZZ_PARALLEL:-2}
ROOT=$PWD
BUILD=$ROOT/build-fuzz
# A small quarantine still catches a use after free within one input, and
# recycling memory sooner doubles the speed of the targets that allocate most.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

bash tools/install-deps.sh --tests
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++-16 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVA_FUZZ=ON -DQUORVA_TESTS=OFF -DQUORVA_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target fuzzers

# Seeds for the stream analysis: the first bytes of short clips of each kind the
# player reads, made here rather than committed. The input's first byte is where
# the analysis starts (0).
media_seeds() {
    local out=$BUILD/seeds/MPEGFileFuzz
    [ -f "$out/.done" ] && return
    mkdir -p "$out"
    local tmp
    tmp=$(mktemp -d)
    local sources=(-f lavfi -i testsrc=size=96x64:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000)
    ffmpeg -v error -y "${sources[@]}" -t 0.5 -c:v mpeg1video -c:a mp2 -f mpeg "$tmp/mpeg1.mpg"
    ffmpeg -v error -y "${sources[@]}" -t 0.5 -c:v mpeg2video -c:a ac3 -f vob "$tmp/mpeg2-ac3.vob"
    ffmpeg -v error -y "${sources[@]}" -t 0.5 -c:v mpeg2video -c:a pcm_dvd -f vob "$tmp/mpeg2-lpcm.vob"
    ffmpeg -v error -y "${sources[@]}" -t 0.5 -c:v mpeg2video -c:a ac3 -metadata:s:a:0 language=eng \
        -f mpegts "$tmp/ac3.ts"
    ffmpeg -v error -y "${sources[@]}" -t 0.5 -map 0:v -map 1:a -map 1:a -c:v mpeg2video -c:a mp2 \
        -metadata:s:a:1 language=fra -f mpegts "$tmp/two-audio.ts"
    for clip in "$tmp"/*; do
        { printf '\0'; head -c 6000 "$clip"; } >"$out/$(basename "$clip")"
    done
    # The decoder reads the streams from their start, a little further.
    local decoder=$BUILD/seeds/DecoderFuzz
    mkdir -p "$decoder"
    for clip in "$tmp"/*; do
        head -c 24000 "$clip" >"$decoder/$(basename "$clip")"
    done
    rm -rf "$tmp"
    touch "$out/.done"
}
media_seeds

run_target() {
    local name=$1
    local binary=$BUILD/fuzz/$name
    local corpus=$BUILD/corpus/$name
    local findings=$BUILD/findings/$name
    mkdir -p "$corpus" "$findings" "$BUILD/logs"
    local args=(-max_total_time="$LIMIT" -timeout=10 -max_len=12000 -print_final_stats=1
        -artifact_prefix="$findings/")
    [ -f "fuzz/$name.dict" ] && args+=(-dict="fuzz/$name.dict")
    # A target's own libFuzzer options (a larger -max_len, a longer -timeout) come last and win.
    if [ -f "fuzz/$name.options" ]; then
        read -r -a options <"fuzz/$name.options"
        args+=("${options[@]}")
    fi
    local seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
    [ -d "$BUILD/seeds/$name" ] && seeds+=("$BUILD/seeds/$name")
    # shellcheck disable=SC2086
    if "$binary" "${args[@]}" ${QUORVA_FUZZ_ARGS:-} "$corpus" "${seeds[@]}" >"$BUILD/logs/$name.log" 2>&1; then
        local runs
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$BUILD/logs/$name.log" | grep -o '[0-9]*$' || true)
        echo "fuzz: $name: ${runs:-?} runs, corpus $(find "$corpus" -type f | wc -l) files, no finding"
        return 0
    fi
    echo "fuzz: $name: FINDING (log: $BUILD/logs/$name.log)"
    grep -E 'ERROR: |SUMMARY: |Test unit written to' "$BUILD/logs/$name.log" | sed "s/^/fuzz: $name: /" || true
    return 1
}

if [ -n "${QUORVA_FUZZ_TARGETS:-}" ]; then
    read -r -a targets <<<"$QUORVA_FUZZ_TARGETS"
else
    targets=()
    for source in fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

failed=0
running=0
for name in "${targets[@]}"; do
    if [ "$running" -ge "$PARALLEL" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
    run_target "$name" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done

if [ "$failed" -ne 0 ]; then
    echo "fuzz: findings above; each reproduces with build-fuzz/fuzz/<target> <file>"
    exit 1
fi
echo "fuzz: ${#targets[@]} targets, no finding"

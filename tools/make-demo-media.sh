#!/usr/bin/env bash
# Makes the demo library's movies and covers under DEST (the folder of the
# executable): movies/<Title>/... as assets/demo/movies.html describes them.
# Files already made are kept, so running it again costs nothing.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DEST" >&2
    exit 2
fi
DEST=$1
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing: run tools/install-deps.sh" >&2; exit 1; }

FONT=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
HAVE_DRAWTEXT=0
if [ -n "$FONT" ] && ffmpeg -hide_banner -filters 2>/dev/null | grep -q ' drawtext '; then
    HAVE_DRAWTEXT=1
fi

# The title and a running clock burned into the picture, so that a screenshot
# shows where playback is.
overlay() {
    local title=$1
    if [ "$HAVE_DRAWTEXT" = 1 ]; then
        printf "%s" ",drawtext=fontfile='$FONT':text='$title':fontsize=34:fontcolor=white:box=1:boxcolor=black@0.5:x=(w-tw)/2:y=40"
        printf "%s" ",drawtext=fontfile='$FONT':text='%{pts\\:hms}':fontsize=56:fontcolor=yellow:box=1:boxcolor=black@0.6:x=(w-tw)/2:y=h-110"
    fi
}

# movie OUT TITLE SECONDS SOURCE AUDIO_CODEC CONTAINER TONE
movie() {
    local out=$1 title=$2 seconds=$3 source=$4 acodec=$5 container=$6 tone=$7
    [ -s "$out" ] && return 0
    mkdir -p "$(dirname "$out")"
    local rate=48000 separator="="
    case "$source" in *=*) separator=":" ;; esac
    ffmpeg -nostdin -v fatal -y \
        -f lavfi -i "$source${separator}size=720x480:rate=30000/1001,format=yuv420p$(overlay "$title")" \
        -f lavfi -i "sine=frequency=$tone:beep_factor=4:sample_rate=$rate" \
        -t "$seconds" -c:v mpeg2video -b:v 3500k -g 15 -bf 2 -aspect 4:3 \
        -c:a "$acodec" -b:a 192k -ac 2 -f "$container" "$out.part"
    mv "$out.part" "$out"
}

# film OUT TITLE SECONDS SOURCE CONTAINER [SUBTITLES]: H.264 and AAC at 720p,
# as most films of a collection come today, with a sound track in English and
# one in German (a higher tone); SUBTITLES, an SRT file, goes in as an English
# subtitle track.
film() {
    local out=$1 title=$2 seconds=$3 source=$4 container=$5 subtitles=${6:-}
    [ -s "$out" ] && return 0
    mkdir -p "$(dirname "$out")"
    local separator="="
    case "$source" in *=*) separator=":" ;; esac
    local inputs=(-f lavfi -i "$source${separator}size=1280x720:rate=24,format=yuv420p$(overlay "$title")"
        -f lavfi -i "sine=frequency=440:beep_factor=4:sample_rate=48000"
        -f lavfi -i "sine=frequency=660:beep_factor=4:sample_rate=48000")
    local maps=(-map 0:v -map 1:a -map 2:a)
    if [ -n "$subtitles" ]; then
        inputs+=(-i "$subtitles")
        maps+=(-map 3:s -c:s srt -metadata:s:s:0 language=eng)
    fi
    ffmpeg -nostdin -v fatal -y "${inputs[@]}" "${maps[@]}" -t "$seconds" \
        -c:v libx264 -preset veryfast -b:v 2500k -g 48 -c:a aac -b:a 128k -ac 2 \
        -metadata:s:a:0 language=eng -metadata:s:a:1 language=deu -f "$container" "$out.part"
    mv "$out.part" "$out"
}

# cover FOLDER TITLE COLOUR: the small cover art, sized for a cell of the cover
# grid, and the large one for the title's page.
cover() {
    local folder=$1 title=$2 colour=$3
    mkdir -p "$folder"
    local size name text
    for size in 146x203 300x420; do
        name=folder.png
        [ "$size" = 300x420 ] && name=folderLarge.png
        [ -s "$folder/$name" ] && continue
        text=""
        if [ "$HAVE_DRAWTEXT" = 1 ]; then
            text=",drawtext=fontfile='$FONT':text='$title':fontsize=h/14:fontcolor=white:x=(w-tw)/2:y=(h-th)/2"
        fi
        ffmpeg -nostdin -v error -y -f lavfi -i "color=c=$colour:size=$size$text" -frames:v 1 "$folder/$name"
    done
}

M="$DEST/movies"

movie "$M/Harbour Lights/Harbour Lights.mpg" "Harbour Lights" 45 "testsrc2" mp2 vob 440
cover "$M/Harbour Lights" "Harbour Lights" "0x1d4e89"

movie "$M/The Copper Key/The Copper Key.mpg" "The Copper Key" 70 "smptebars" ac3 vob 330
cover "$M/The Copper Key" "The Copper Key" "0x8a4b1c"

movie "$M/Paper Planets/Paper Planets.mpg" "Paper Planets" 30 "mandelbrot" mp2 vob 660
cover "$M/Paper Planets" "Paper Planets" "0x2e8b57"

movie "$M/Night Express/Night Express.ts" "Night Express" 60 "testsrc" ac3 mpegts 550
cover "$M/Night Express" "Night Express" "0x3b0a45"

movie "$M/Atlas of Winter/VIDEO_TS/VTS_01_1.VOB" "Atlas of Winter" 40 "cellauto=rule=110" mp2 vob 250
cover "$M/Atlas of Winter" "Atlas of Winter" "0x4f6d7a"

for episode in 1 2 3; do
    movie "$M/Lantern Street/Lantern Street 1x0$episode.mpg" "Lantern Street 1x0$episode" 20 "life=mold=10:ratio=0.3:death_color=#101030:life_color=#e0c050" mp2 vob $((300 + 100 * episode))
done
cover "$M/Lantern Street" "Lantern Street" "0x6b3e26"

# Two films in today's containers: Matroska with subtitles inside and a French
# subtitle file beside it, and MP4.
MERIDIAN="$M/Silver Meridian"
if [ ! -s "$MERIDIAN/Silver Meridian.mkv" ]; then
    inside=$(mktemp --suffix=.srt)
    cat >"$inside" <<'SRT'
1
00:00:02,000 --> 00:00:07,000
The signal came back at dawn.

2
00:00:09,000 --> 00:00:14,000
Then we follow it, all the way down.

3
00:00:18,000 --> 00:00:24,000
Press S for other subtitles, A for the other sound track.
SRT
    film "$MERIDIAN/Silver Meridian.mkv" "Silver Meridian" 50 "testsrc2" matroska "$inside"
    rm -f "$inside"
fi
if [ ! -s "$MERIDIAN/Silver Meridian.fr.srt" ]; then
    cat >"$MERIDIAN/Silver Meridian.fr.srt" <<'SRT'
1
00:00:02,000 --> 00:00:07,000
Le signal est revenu à l'aube.

2
00:00:09,000 --> 00:00:14,000
Alors nous le suivons, jusqu'au fond.
SRT
fi
cover "$MERIDIAN" "Silver Meridian" "0x2b4f6e"

film "$M/Glass Harbour/Glass Harbour.mp4" "Glass Harbour" 40 "smptehdbars" mp4
cover "$M/Glass Harbour" "Glass Harbour" "0x5e2b6e"

# The film's extras, named by its feature items.
movie "$M/Harbour Lights Trailer/Harbour Lights Trailer.mpg" "Harbour Lights Trailer" 10 "testsrc2" mp2 vob 520
cover "$M/Harbour Lights Trailer" "Trailer" "0x7a1f3d"
movie "$M/Behind the Lighthouse/Behind the Lighthouse.mpg" "Behind the Lighthouse" 10 "smptebars" mp2 vob 480
cover "$M/Behind the Lighthouse" "Behind the Lighthouse" "0x1f5f7a"

# Enough dramas to fill more than one page of the cover grid.
DRAMAS=(
    "Quiet Harbour"
    "The Salt Road"
    "Midsummer Frost"
    "Glass Orchard"
    "The Long Tide"
    "Northern Letters"
    "A House of Kites"
    "Lamplight"
    "Winter Ferry"
    "The Cartographer"
)
COLOURS=(0x355e3b 0x5a3d8a 0x8a6d1f 0x1f7a6a 0x7a3d1f 0x3d4f8a 0x6a1f7a 0x2f6f4f 0x7a5a1f 0x1f3f5f)
for i in "${!DRAMAS[@]}"; do
    title=${DRAMAS[$i]}
    movie "$M/$title/$title.mpg" "$title" 8 "testsrc2" mp2 vob $((200 + 40 * i))
    cover "$M/$title" "$title" "${COLOURS[$i]}"
done

# The on-demand variant in ondemand/: an export of the library (the index, and a
# detail file beside each movie) read through a link to the executable, with
# client-ondemand.properties as its settings. The export is made by the
# executable itself; it then goes on running, so it is stopped once it is done.
ondemand() {
    local dir="$DEST/ondemand"
    [ -s "$dir/exported.txt" ] && return 0
    [ -x "$DEST/quorva" ] && [ -f "$DEST/client-ondemand.properties" ] || return 0
    mkdir -p "$dir"
    local log="$dir/export.log"
    (cd "$DEST" && exec env PALLIX_DISPLAY=headless PALLIX_ECP_PORT=0 ./quorva -export) >"$log" 2>&1 &
    local pid=$!
    local tries=0
    until grep -q '^Exported ' "$log"; do
        kill -0 "$pid" 2>/dev/null || break
        tries=$((tries + 1))
        [ "$tries" -gt 600 ] && break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ ! -s "$DEST/exported.txt" ]; then
        echo "the export of the demo library failed: see $log" >&2
        return 1
    fi
    mv "$DEST/exported.txt" "$dir/exported.txt"
    cp "$DEST/client-ondemand.properties" "$dir/client.properties"
    local name
    for name in quorva images graphics movies; do
        ln -sfn "../$name" "$dir/$name"
    done
}
ondemand

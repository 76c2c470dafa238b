#!/usr/bin/env bash
# Makes the demo library under DEST (the folder of the executables): its films,
# posters and .nfo files under movies/<Title>/..., then its database,
# movies.html, with quorva-scan. Files already made are kept, so running it
# again costs next to nothing. To add a title, add its film, poster and .nfo below.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DEST" >&2
    exit 2
fi
DEST=$1
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing: run tools/install-deps.sh" >&2; exit 1; }

FONT=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
HAVE_DRAWTEXT=0
# The whole list is read first: grep -q would stop ffmpeg half-way, and pipefail fail the test.
FILTERS=$(ffmpeg -hide_banner -filters 2>/dev/null || true)
if [ -n "$FONT" ] && grep -q ' drawtext ' <<<"$FILTERS"; then
    HAVE_DRAWTEXT=1
fi
# Titles reach ffmpeg's drawtext in files, so that no character of theirs needs escaping.
TEXTS=$(mktemp -d)
trap 'rm -rf "$TEXTS"' EXIT

# textfile TEXT: a file holding TEXT, for drawtext.
textfile() {
    local file
    file=$(mktemp -p "$TEXTS")
    printf '%s' "$1" >"$file"
    printf '%s' "$file"
}

# The code points of TEXT, in hexadecimal, one a line.
codepoints() {
    local bytes i
    read -ra bytes <<<"$(printf '%s' "$1" | iconv -f UTF-8 -t UTF-32BE | od -An -v -tx1 | tr '\n' ' ')"
    for ((i = 0; i + 3 < ${#bytes[@]}; i += 4)); do
        printf '%x\n' "$((16#${bytes[i]}${bytes[i + 1]}${bytes[i + 2]}${bytes[i + 3]}))"
    done
}

# fontfor TEXT: a bold face that has every character of TEXT (drawtext takes one
# face and knows no fallback), DejaVu Sans when it does.
fontfor() {
    local charset="" code
    for code in $(codepoints "$1"); do
        [ "$((16#$code))" -ge 128 ] && charset+="${charset:+ }$code"
    done
    if [ -z "$charset" ]; then
        printf '%s' "$FONT"
    else
        fc-match -f '%{file}' "DejaVu Sans:bold:charset=$charset" 2>/dev/null || printf '%s' "$FONT"
    fi
}

# The title and a running clock burned into the picture, so that a screenshot
# shows where playback is.
overlay() {
    local title=$1
    if [ "$HAVE_DRAWTEXT" = 1 ]; then
        printf "%s" ",drawtext=fontfile='$(fontfor "$title")':textfile='$(textfile "$title")':fontsize=34:fontcolor=white:box=1:boxcolor=black@0.5:x=(w-tw)/2:y=40"
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

# poster FOLDER TITLE COLOUR YEAR: the film's poster, from which quorva-scan
# makes the covers of the grid and of the title's page: a sun going down over
# hills in the film's colour, placed by the title so that no two are alike, and
# the title and year over it. A poster older than this script is made again,
# and the covers made from it with it.
poster() {
    local folder=$1 title=$2 colour=$3 year=$4
    mkdir -p "$folder"
    [ -s "$folder/poster.jpg" ] && [ "$folder/poster.jpg" -nt "$0" ] && return 0
    rm -f "$folder/folder.png" "$folder/folderLarge.png"
    local seed count=0 wide=0 size code
    seed=$(printf '%s' "$title" | cksum | cut -d' ' -f1)
    local sunX=$((140 + seed % 320)) sunY=$((220 + seed / 7 % 160)) horizon=$((520 + seed / 11 % 60))
    local phase=$((seed / 13 % 628)) swell=$((25 + seed / 17 % 35))
    # Ideographs and kana are about twice as wide as Latin letters.
    for code in $(codepoints "$title"); do
        count=$((count + 1))
        [ "$((16#$code))" -ge "$((16#2E80))" ] && wide=$((wide + 1))
    done
    size=$((820 / (count + wide)))
    [ "$size" -gt 84 ] && size=84
    [ "$size" -lt 28 ] && size=28
    local far="($horizon+$swell*sin(X/95+$phase/100))" near="($horizon+110+$swell/2*sin(X/60+$phase/50))"
    local sun="exp(-hypot(X-$sunX,Y-$sunY)/60)"
    # channel NAME GLOW: one colour channel of the scene.
    channel() { printf "if(gt(Y,%s),%s(X,Y)*0.25,if(gt(Y,%s),%s(X,Y)*0.5,min(255,%s(X,Y)+%s*%s)))" \
        "$near" "$1" "$far" "$1" "$1" "$2" "$sun"; }
    local scene="gradients=s=600x840:c0=$colour:c1=0x0a0a12:x0=300:y0=0:x1=300:y1=700:n=2:d=0.04,format=gbrp"
    scene+=",geq=r='$(channel r 255)':g='$(channel g 215)':b='$(channel b 150)',vignette=PI/5"
    # The title below the hills, and the year below it, both inside the poster.
    local top=$((horizon + 130))
    [ "$top" -gt $((790 - size)) ] && top=$((790 - size))
    if [ "$HAVE_DRAWTEXT" = 1 ]; then
        scene+=",drawtext=fontfile='$(fontfor "$title")':textfile='$(textfile "$title")':fontsize=$size"
        scene+=":fontcolor=white:shadowcolor=black@0.7:shadowx=3:shadowy=3:x=(w-tw)/2:y=$top"
        scene+=",drawtext=fontfile='$FONT':text='$year':fontsize=26:fontcolor=0xdddddd:x=(w-tw)/2"
        scene+=":y=$((top + size + 12))"
    fi
    ffmpeg -nostdin -v error -y -f lavfi -i "$scene" -frames:v 1 -q:v 3 "$folder/poster.jpg.part.jpg"
    mv "$folder/poster.jpg.part.jpg" "$folder/poster.jpg"
}

xml() {
    local text=$1
    text=${text//&/&amp;}
    text=${text//</&lt;}
    printf '%s' "${text//>/&gt;}"
}

# nfo FILE TITLE YEAR GENRES DIRECTOR ACTORS MPAA PLOT: what a media manager
# would have written beside the film (genres and actors separated by "|").
nfo() {
    local file=$1 title=$2 year=$3 genres=$4 director=$5 actors=$6 mpaa=$7 plot=$8 item
    mkdir -p "$(dirname "$file")"
    {
        echo '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        echo '<movie>'
        echo "  <title>$(xml "$title")</title>"
        [ -n "$year" ] && echo "  <year>$year</year>"
        IFS='|' read -ra items <<<"$genres"
        for item in "${items[@]}"; do echo "  <genre>$(xml "$item")</genre>"; done
        echo "  <director>$(xml "$director")</director>"
        IFS='|' read -ra items <<<"$actors"
        for item in "${items[@]}"; do echo "  <actor><name>$(xml "$item")</name></actor>"; done
        echo "  <mpaa>$(xml "$mpaa")</mpaa>"
        echo "  <plot>$(xml "$plot")</plot>"
        echo '</movie>'
    } >"$file.part"
    mv "$file.part" "$file"
}

M="$DEST/movies"
# The film's extras used to live in folders of their own.
rm -rf "$M/Harbour Lights Trailer" "$M/Behind the Lighthouse"

movie "$M/Harbour Lights/Harbour Lights.mpg" "Harbour Lights" 45 "testsrc2" mp2 vob 440
poster "$M/Harbour Lights" "Harbour Lights" "0x1d4e89" 2004
nfo "$M/Harbour Lights/movie.nfo" "Harbour Lights" 2004 "Drama|Romance" "Ines Marlow" "Tom Avery|Lena Ruiz" \
    "PG-13 for brief strong language" "A lighthouse keeper and a ferry captain trade letters across one long winter."
# Its extras, which its page offers.
movie "$M/Harbour Lights/Extras/Trailer.mpg" "Harbour Lights Trailer" 10 "testsrc2" mp2 vob 520
nfo "$M/Harbour Lights/Extras/Trailer.nfo" "Trailer" 2004 "" "Ines Marlow" "Tom Avery|Lena Ruiz" \
    "G" "Two minutes of letters, storms and one lighthouse."
movie "$M/Harbour Lights/Extras/Behind the Lighthouse.mpg" "Behind the Lighthouse" 10 "smptebars" mp2 vob 480
nfo "$M/Harbour Lights/Extras/Behind the Lighthouse.nfo" "Behind the Lighthouse" 2004 "" "Ines Marlow" \
    "Ines Marlow|Tom Avery" "G" "How a winter on the coast was filmed in one summer."

movie "$M/The Copper Key/The Copper Key.mpg" "The Copper Key" 70 "smptebars" ac3 vob 330
poster "$M/The Copper Key" "The Copper Key" "0x8a4b1c" 1998
nfo "$M/The Copper Key/movie.nfo" "The Copper Key" 1998 "Crime|Mystery" "Paul Okafor" "Marta Lind|Owen Price" \
    "R for violence and language" "A locksmith is hired to open a safe that was never meant to be found."

movie "$M/Paper Planets/Paper Planets.mpg" "Paper Planets" 30 "mandelbrot" mp2 vob 660
poster "$M/Paper Planets" "Paper Planets" "0x2e8b57" 2011
nfo "$M/Paper Planets/movie.nfo" "Paper Planets" 2011 "Animation|Family" "Yuki Tanabe" "Ada Brook" \
    "G" "A child folds a solar system out of old maps and sets it spinning."

movie "$M/Night Express/Night Express.ts" "Night Express" 60 "testsrc" ac3 mpegts 550
poster "$M/Night Express" "Night Express" "0x3b0a45" 2016
nfo "$M/Night Express/movie.nfo" "Night Express" 2016 "Action|Thriller" "Rafael Ortiz" "Nadia Kern|Victor Hale" \
    "PG-13 for action and peril" "A night train, a stolen ledger and sixty minutes to the border."

# A DVD folder without a poster: its covers show a frame of the film, taken a
# tenth of the way in, where the film shows a winter sky.
movie "$M/Atlas of Winter/VIDEO_TS/VTS_01_1.VOB" "Atlas of Winter" 40 "gradients=c0=0xdfe9f3:c1=0x27496d:speed=0.02" mp2 vob 250
nfo "$M/Atlas of Winter/movie.nfo" "Atlas of Winter" 2009 "Documentary" "Sigrid Holm" "Sigrid Holm" \
    "NR" "Ice, wind and the few who map them: a season at the edge of the world."

for episode in 1 2 3; do
    movie "$M/Lantern Street/Lantern Street 1x0$episode.mpg" "Lantern Street 1x0$episode" 20 "life=mold=10:ratio=0.3:death_color=#101030:life_color=#e0c050" mp2 vob $((300 + 100 * episode))
done
poster "$M/Lantern Street" "Lantern Street" "0x6b3e26" 2021
nfo "$M/Lantern Street/movie.nfo" "Lantern Street" 2021 "Comedy|Family" "June Abara" "Milo Grant|Tess Okoye" \
    "TV-PG" "Three evenings on a street where every shop keeps a secret. Three episodes."

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
poster "$MERIDIAN" "Silver Meridian" "0x2b4f6e" 2019
nfo "$MERIDIAN/movie.nfo" "Silver Meridian" 2019 "Adventure|Thriller" "Ada Vance" "Noor Hadid|Elias Brandt" \
    "PG-13 for peril" "A lost signal leads two divers to the floor of the sea. In English and German, with subtitles."

film "$M/Glass Harbour/Glass Harbour.mp4" "Glass Harbour" 40 "smptehdbars" mp4
poster "$M/Glass Harbour" "Glass Harbour" "0x5e2b6e" 2022
nfo "$M/Glass Harbour/movie.nfo" "Glass Harbour" 2022 "Drama|Mystery" "Lucia Ferro" "Ines Dahl|Tomas Reyes" \
    "PG" "A glassblower's harbour town keeps the one window nobody may look through."

# Enough dramas to fill more than one page of the cover grid, two of them with
# the titles their own .nfo files give them, in Japanese and in Hebrew:
# title, year, director, actors, rating, plot.
DRAMAS=(
    "Quiet Harbour;2012;Mara Voss;Eli Stone|Rosa Lind;PG;A retired pilot teaches his granddaughter to read the tides."
    "The Salt Road;2007;Omar Said;Hana Berg|Karim Nour;PG-13 for thematic elements;Two brothers drive a salt lorry across a country that no longer wants salt."
    "Midsummer Frost;2015;Ilse Kamp;Nora Falk|Jonas Meyer;PG;One cold night in June changes a village of orchard keepers."
    "Glass Orchard;2019;Teo Brandt;Livia Costa|Ben Ashe;PG-13 for brief language;A glassblower rebuilds her father's orchard, one fragile apple at a time."
    "The Long Tide;2010;Mara Voss;Eli Stone|Ada Brook;PG;A ferry that never arrives, and the people who wait for it."
    "Northern Letters;2017;Ines Marlow;Lena Ruiz|Paul Okafor;PG;A postwoman reads the letters she cannot deliver."
    "A House of Kites;2014;Yuki Tanabe;Ada Brook|Milo Grant;G;A family flies a kite for every year they have lived by the sea."
    "Lamplight;2020;June Abara;Tess Okoye|Victor Hale;PG-13 for mild peril;The last lamplighter of a city learns that someone follows his rounds."
    "Winter Ferry;2008;Sigrid Holm;Nadia Kern|Owen Price;PG;The ice closes in, and the ferry makes one more crossing."
    "The Cartographer;2022;Rafael Ortiz;Marta Lind|Jonas Meyer;PG;A mapmaker charts an island that moves a little every night."
    "港の灯り;2018;田中 由紀;佐藤 健|山本 彩;PG;冬の港町で、灯台守の娘が十年ぶりに帰ってきた父と向き合う。二人の間には、言えなかった手紙が残っている。"
    "האור האחרון;2013;נועה כהן;דניאל לוי|מאיה פרץ;PG-13 for thematic elements;צלם זקן יוצא לצלם את השקיעה האחרונה של הכפר, לפני שהים יכסה אותו."
)
COLOURS=(0x355e3b 0x5a3d8a 0x8a6d1f 0x1f7a6a 0x7a3d1f 0x3d4f8a 0x6a1f7a 0x2f6f4f 0x7a5a1f 0x1f3f5f 0x8a3d2f 0x24507a)
for i in "${!DRAMAS[@]}"; do
    IFS=';' read -r title year director actors rating plot <<<"${DRAMAS[$i]}"
    movie "$M/$title/$title.mpg" "$title" 8 "testsrc2" mp2 vob $((200 + 40 * i))
    poster "$M/$title" "$title" "${COLOURS[$i]}" "$year"
    nfo "$M/$title/movie.nfo" "$title" "$year" "Drama" "$director" "$actors" "$rating" "$plot"
done

# The database, made by quorva-scan from the films above. It replaces the one
# beside the executable only when something changed, so that a second run
# leaves it, and the on-demand export made from it, as they are.
scan() {
    local scanner="$DEST/quorva-scan" scanned="$DEST/movies-scan.html" log="$DEST/scan.log"
    [ -x "$scanner" ] || { echo "$scanner is missing: build it first" >&2; return 1; }
    if ! "$scanner" --force --db "$scanned" "$M" >"$log" 2>&1; then
        echo "the scan of the demo library failed: see $log" >&2
        return 1
    fi
    tail -n 2 "$log"
    if cmp -s "$scanned" "$DEST/movies.html"; then
        rm -f "$scanned"
    else
        mv "$scanned" "$DEST/movies.html"
    fi
}
scan

# The on-demand variant in ondemand/: an export of the library (the index, and a
# detail file beside each movie) read through a link to the executable, with
# client-ondemand.properties as its settings. The export is made by the
# executable itself; it then goes on running, so it is stopped once it is done.
ondemand() {
    local dir="$DEST/ondemand"
    [ "$dir/exported.txt" -nt "$DEST/movies.html" ] && return 0
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

#!/usr/bin/env bash
# The benchmark, in one command: bash bench/run.sh
#
# Builds Quadrel and the benchmark's helpers, makes its own inputs, and
# reports side by side, as ratios, Quadrel's walk against
#   - the floor: a program that only opens each file, reads its first 8 bytes
#     and closes it (bench/floor.cpp);
#   - exiftool reading the same movie's apertures;
#   - rewriting the movie with ffmpeg -c copy, which is what a user would do
#     without Quadrel;
# with the reads, seeks and writes Quadrel makes on each movie file (counted
# with strace) and its peak memory (/usr/bin/time). It ends with the goals:
# at most 8 calls on a typical movie, calls on 2,000 tracks that follow the
# movie atom's size and the "tapt"s rewritten, a 1 TiB movie no slower than a
# 1 MiB one, and peak memory under 4 MiB.
#
# Progress goes to standard error; the results, as Markdown, to standard
# output. Absolute times vary between machines: the ratios are the figures
# that count. It takes one to three minutes and a few tens of megabytes of
# disk (the 1 TiB movie is sparse); everything it makes is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

say() { echo "bench: $*" >&2; }

need=()
for pkg in cmake make g++ strace hyperfine ffmpeg libimage-exiftool-perl time; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if ((${#need[@]})); then
    say "installing ${need[*]}"
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${need[@]}" >&2
fi

build=build-bench
say "building in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quadrel floor makeinputs >/dev/null
quadrel=$(pwd)/$build/quadrel
floor=$(pwd)/$build/bench/floor
makeinputs=$(pwd)/$build/bench/makeinputs
countcalls=$(pwd)/bench/countcalls.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/quadrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

say "making inputs in $work"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=1280x1080:rate=30000/1001 \
    -frames:v 1 -c:v dvvideo -pix_fmt yuv422p -aspect 16:9 -f mov typical.mov
"$makeinputs" padded typical.mov mib.mov $((1 << 20)) >/dev/null
"$makeinputs" padded typical.mov tib.mov $((1 << 40)) >/dev/null
read -r _ _ atomsmoov < <("$makeinputs" atoms typical.mov atoms.mov 1000000)
read -r _ _ tracksmoov < <("$makeinputs" tracks typical.mov tracks.mov 2000)
"$makeinputs" folder typical.mov folder 10000
say "disk used by the inputs: $(du -sh . | cut -f1)"

inputs=(typical mib tib atoms tracks folder)
declare -A label=(
    [typical]="DVCPRO HD 1080 movie (ffmpeg, 1 frame, 470 KiB)"
    [mib]="1 MiB movie"
    [tib]="1 TiB movie (sparse), same movie atom"
    [atoms]="movie atom with 1,000,000 atoms (8 MB)"
    [tracks]="2,000 tracks, each with a \"tapt\" (1.2 MB movie atom)"
    [folder]="folder of 10,000 small movies"
)
path() { if [[ $1 == folder ]]; then echo "$work/folder"; else echo "$work/$1.mov"; fi; }

# The median and the shortest time, in seconds, of benchmark number $2 in
# hyperfine's CSV $1.
median() { awk -F, -v row="$(($2 + 1))" 'NR == row { print $(NF - 4) }' "$1"; }
shortest() { awk -F, -v row="$(($2 + 1))" 'NR == row { print $(NF - 1) }' "$1"; }
ratio() {
    if [[ $1 == fails ]]; then
        echo "ffmpeg fails"
    else
        awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'
    fi
}
ms() { awk -v s="$1" 'BEGIN { printf "%.2f", s * 1000 }'; }

# hyperfine runs each command without a shell, its standard input empty, so
# Quadrel's two prompts read end of input and go on.
timeit() { # csv runs warmup command...
    local csv=$1 runs=$2 warmup=$3
    shift 3
    if ! hyperfine -N --style none --warmup "$warmup" --runs "$runs" --export-csv "$csv" "$@" \
        </dev/null >hyperfine.log 2>&1; then
        cat hyperfine.log >&2
        say "hyperfine failed on: $*"
        exit 1
    fi
}

exif=(exiftool -api LargeFileSupport=1 -CleanApertureDimensions -ProductionApertureDimensions)
copy=(ffmpeg -nostdin -loglevel error -y -max_streams 4000)

declare -A tq tqmedian tf te tc calls detail mem memfloor
for in in "${inputs[@]}"; do
    p=$(path "$in")
    say "timing ${label[$in]}"
    if [[ $in == folder ]]; then
        timeit q.csv 10 2 "$quadrel $p" "$floor $p"
    else
        timeit q.csv 50 5 "$quadrel $p" "$floor $p"
    fi
    tq[$in]=$(shortest q.csv 1)
    tqmedian[$in]=$(median q.csv 1)
    tf[$in]=$(shortest q.csv 2)

    if [[ $in == folder ]]; then
        # exiftool goes through all 10,000 movies in one process, once.
        timeit e.csv 1 0 "${exif[*]} -q -q $p"
        te[$in]=$(shortest e.csv 1)
        # ffmpeg takes one movie per process: 100 movies are timed and the
        # time scaled to the 10,000.
        printf '%s\n' "$p"/000[0-9][0-9].mov >hundred.txt
        timeit c.csv 1 0 "bash -c 'while read -r f; do ${copy[*]} -i \$f -map 0 -c copy $work/copy.mov; done <$work/hundred.txt'"
        tc[$in]=$(awk -v s="$(shortest c.csv 1)" 'BEGIN { print s * 100 }')
    else
        runs=5
        [[ $in == atoms || $in == tracks ]] && runs=3
        timeit e.csv "$runs" 1 "${exif[*]} $p"
        te[$in]=$(shortest e.csv 1)
        # ffmpeg refuses some movies (more than 1,000 tracks): noted as such.
        if "${copy[@]}" -i "$p" -map 0 -c copy copy.mov </dev/null >/dev/null 2>&1; then
            timeit c.csv "$runs" 1 "${copy[*]} -i $p -map 0 -c copy $work/copy.mov"
            tc[$in]=$(shortest c.csv 1)
        else
            tc[$in]=fails
        fi
    fi
    rm -f copy.mov

    strace -f -qq -s 0 -e trace=openat,close,read,write,lseek,pread64,pwrite64 -o trace.log \
        "$quadrel" "$p" </dev/null >/dev/null
    prefix=$p
    [[ $in == folder ]] && prefix=$p/
    read -r movies reads seeks writes total < <(bash "$countcalls" trace.log "$prefix")
    rm -f trace.log
    if ((movies > 1)); then
        calls[$in]=$(awk -v t="$total" -v m="$movies" 'BEGIN { printf "%.2f", t / m }')
        detail[$in]="$total in all, $movies movies"
    else
        calls[$in]=$total
        detail[$in]="$reads reads, $seeks seeks, $writes writes"
    fi
    mem[$in]=$( { /usr/bin/time -f %M "$quadrel" "$p" </dev/null >/dev/null; } 2>&1 | tail -1)
    memfloor[$in]=$( { /usr/bin/time -f %M "$floor" "$p" >/dev/null; } 2>&1 | tail -1)
done

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores of $cpu, Linux $(uname -r)."
echo
echo "| input | Quadrel: shortest (median) | Quadrel ÷ floor | exiftool ÷ Quadrel | ffmpeg -c copy ÷ Quadrel | calls per movie | peak memory |"
echo "|---|---|---|---|---|---|---|"
for in in "${inputs[@]}"; do
    echo "| ${label[$in]} | $(ms "${tq[$in]}") ms ($(ms "${tqmedian[$in]}") ms) | $(ratio "${tq[$in]}" "${tf[$in]}") | $(ratio "${te[$in]}" "${tq[$in]}") | $(ratio "${tc[$in]}" "${tq[$in]}") | ${calls[$in]} (${detail[$in]}) | ${mem[$in]} KiB (floor ${memfloor[$in]} KiB) |"
done
echo
echo "Times are the shortest of each program's runs (hyperfine, no shell; Quadrel's median in brackets): on a machine shared with other work they are the truest measure of what a run costs, and the ratios are made from them. Quadrel starts once per run, on the folder too; the floor opens every movie of the folder."
echo "exiftool reads the folder in one process; ffmpeg copies one movie per process, so its folder time is that of 100 movies times 100."
echo

# The goals.
ok=1
goal() { # met? text
    if (($1)); then echo "- met: $2"; else echo "- NOT MET: $2"; ok=0; fi
}
echo "Goals:"
goal "$((calls[typical] <= 8))" "typical movie: ${calls[typical]} calls on the movie file, at most 8"
tracksgoal=$((tracksmoov / 65536 + 1 + 2 * 2000 + 8))
goal "$((calls[tracks] <= tracksgoal))" "2,000 tracks: ${calls[tracks]} calls, at most $tracksgoal (movie atom $tracksmoov bytes / 64 KiB + 1, 2 per \"tapt\", 8 more); 1,000,000 atoms: ${calls[atoms]} calls for a movie atom of $atomsmoov bytes"
slower=$(awk -v a="${tq[tib]}" -v b="${tq[mib]}" 'BEGIN { print (a <= b * 1.1) ? 1 : 0 }')
goal "$slower" "1 TiB movie: $(ms "${tq[tib]}") ms against $(ms "${tq[mib]}") ms for 1 MiB (ratio $(ratio "${tq[tib]}" "${tq[mib]}"), 10% allowed for noise), with ${calls[tib]} calls against ${calls[mib]}"
most=0
for in in "${inputs[@]}"; do ((mem[$in] > most)) && most=${mem[$in]}; done
goal "$((most < 4096))" "peak memory: at most $most KiB on any input, under 4096 KiB"
((ok))

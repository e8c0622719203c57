#!/usr/bin/env bash
# The system calls the program makes on a movie file, counted under strace:
# a check of counts, not of times. It fails when
#   - a typical movie (ffmpeg-made DVCPRO HD 1080, one "tapt") costs more
#     than 8 reads, seeks and writes in all, the signature probe included;
#   - a movie with 2,000 tracks, each with a "tapt", costs more than one read
#     per 64 KiB block of its movie atom plus one, two calls per "tapt"
#     rewritten, and a small constant: so the count follows the movie atom's
#     size and the "tapt"s, never the number of atoms.
# It exits 77 (skipped) where strace or ffmpeg is missing or cannot run.
#   syscalls.sh QUADREL MAKEINPUTS
set -euo pipefail
quadrel=$1
makeinputs=$2
here=$(cd "$(dirname "$0")" && pwd)

# The leak checker of a sanitized build cannot run under strace.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

blocksize=65536
typicalgoal=8
constant=8

for tool in strace ffmpeg; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed"
        exit 77
    fi
done
if ! strace -f -qq -o /dev/null true 2>/dev/null; then
    echo "SKIPPED: strace cannot trace in this environment"
    exit 77
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

if ! ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=1280x1080:rate=30000/1001 \
    -frames:v 1 -c:v dvvideo -pix_fmt yuv422p -aspect 16:9 -f mov "$dir/typical.mov"; then
    echo "SKIPPED: ffmpeg cannot make a DVCPRO HD movie here"
    exit 77
fi
read -r _ _ moovsize < <("$makeinputs" tracks "$dir/typical.mov" "$dir/tracks.mov" 2000)

failed=0

# Runs the program on one movie under strace; sets calls (reads, seeks and
# writes on the movie file) and changed (report lines), and shows them.
trace() {
    strace -f -qq -s 0 -e trace=openat,close,read,write,lseek,pread64,pwrite64 \
        -o "$dir/log" "$quadrel" "$1" </dev/null >"$dir/out"
    local movies reads seeks writes
    read -r movies reads seeks writes calls < <(bash "$here/countcalls.sh" "$dir/log" "$1")
    changed=$(grep -c 'Found & changed aperture setting at' "$dir/out" || true)
    echo "$(basename "$1"): $reads reads, $seeks seeks, $writes writes = $calls calls;" \
        "$changed apertures changed"
}

# Fails the check unless the walk changed what it should (a walk that
# stopped early would make few calls) and stayed within the goal.
expect() {
    local what=$1 wantchanged=$2 goal=$3
    if ((changed != wantchanged)); then
        echo "FAIL: $what: $changed apertures changed, expected $wantchanged"
        failed=1
    elif ((calls > goal)); then
        echo "FAIL: $what: $calls calls on the movie file, goal at most $goal"
        failed=1
    else
        echo "ok: $what: $calls calls, goal at most $goal"
    fi
}

trace "$dir/typical.mov"
expect "typical movie" 1 "$typicalgoal"

trace "$dir/tracks.mov"
expect "2,000 tracks (movie atom of $moovsize bytes)" 2000 \
    $((moovsize / blocksize + 1 + 2 * 2000 + constant))

exit "$failed"

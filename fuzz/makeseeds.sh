#!/usr/bin/env bash
# Rewrites the seed corpus in fuzz/seeds: the atom builder's movies and the
# trimmed headers of DVCPRO HD 1080 and 720 and DVCPRO50 movies made by
# ffmpeg, each as ffmpeg lays it out (movie atom last) and with the movie
# atom first.   fuzz/makeseeds.sh BUILDFOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz/makeseeds.sh BUILDFOLDER}
cmake --build "$build" --target makeseeds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make() { # name size rate [more ffmpeg options]
    local name=$1 size=$2 rate=$3
    shift 3
    ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc=size=$size:rate=$rate" -frames:v 1 \
        -c:v dvvideo -pix_fmt yuv422p -aspect 16:9 "$@" -f mov "$work/$name.mov"
}
make dvcprohd1080 1280x1080 30000/1001
make dvcprohd1080-moovfirst 1280x1080 30000/1001 -movflags +faststart
make dvcprohd720 960x720 60000/1001
make dvcpro50 720x480 30000/1001
make dvcpro50-moovfirst 720x480 30000/1001 -movflags +faststart
rm -rf fuzz/seeds
"$build/fuzz/makeseeds" fuzz/seeds "$work"/*.mov
ls -l fuzz/seeds

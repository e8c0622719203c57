#!/usr/bin/env bash
# Counts the system calls made on movie files in an strace log.
#   countcalls.sh LOG PREFIX
# LOG is the output of
#   strace -f -qq -s 0 -e trace=openat,close,read,write,lseek,pread64,pwrite64
# PREFIX is the movie's path, or a folder's path and "/", exactly as it was
# given to the program. A descriptor counts from an openat of a path that
# starts with PREFIX (a folder opened for listing aside) up to its close.
# Prints: movies reads seeks writes total, where movies is the number of
# read-only opens (one per probed movie).
set -euo pipefail
awk -v prefix="$2" '
function fdof(s) { sub(/^[a-z0-9]+\(/, "", s); sub(/,.*/, "", s); return s }
{
    pid = $1
    line = $0
    sub(/^[0-9]+ +/, "", line)
    if (line ~ /^openat\(/) {
        path = line
        sub(/^openat\([^"]*"/, "", path)
        sub(/".*/, "", path)
        fd = line
        sub(/.*= */, "", fd)
        if (substr(path, 1, length(prefix)) == prefix && fd ~ /^[0-9]+$/ &&
            line !~ /O_DIRECTORY/) {
            movie[pid, fd] = 1
            if (line ~ /O_RDONLY/) movies++
        }
        next
    }
    call = line
    sub(/\(.*/, "", call)
    fd = fdof(line)
    if (!((pid, fd) in movie)) next
    if (call == "close") { delete movie[pid, fd]; next }
    if (call == "read" || call == "pread64") reads++
    else if (call == "write" || call == "pwrite64") writes++
    else if (call == "lseek") seeks++
}
END { printf "%d %d %d %d %d\n", movies, reads, seeks, writes, reads + seeks + writes }
' "$1"

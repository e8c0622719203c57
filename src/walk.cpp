#include "walk.h"

#include "atoms.h"
#include "platform.h"

#include <cstdio>
#include <cstring>

int moviefd = -1;

// The walk reads the file through one block: headers that lie close
// together (the children of "moov") come from a single read, a payload that
// is passed over only moves the walk's position, and the descriptor is
// seeked only when the next bytes lie neither in the block nor within one
// block's reach of where the descriptor stands.
namespace {

constexpr int64_t blocksize = 65536;
static_assert(maxaperturepayload <= blocksize, "a whole \"tapt\" payload must fit in the block");

unsigned char block[blocksize];
int64_t blockstart; // file offset of block[0]
int64_t blocklen;   // bytes of the block that were read
int64_t fileend;    // where a short read found the end of the file, or -1
int64_t fdpos;      // where moviefd stands, or -1 when unknown
int64_t pos;        // where the walk stands
bool ended;         // a read came up short: nothing more is read or written

// Two's complement subtraction, as the walk's counts are defined; it never
// traps on overflow.
int64_t minus(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// Moves the walk n bytes from its position. A target that is negative or
// past the largest offset leaves the position where it is.
void skip(int64_t n) {
    int64_t target;
    if (__builtin_add_overflow(pos, n, &target) || target < 0) {
        return;
    }
    pos = target;
}

// The next count bytes at the walk's position, which then moves past them;
// nullptr, and the walk is over, when the file does not hold them whole.
// count is at most one block.
unsigned char *take(int64_t count) {
    if (ended) {
        return nullptr;
    }
    int64_t blockend = blockstart + blocklen;
    bool inblock = pos >= blockstart && pos <= blockend;
    if (inblock && blockend - pos >= count) {
        unsigned char *p = block + (pos - blockstart);
        pos += count;
        return p;
    }
    if (fileend >= 0 && pos > fileend - count) {
        ended = true;
        return nullptr;
    }
    // The block is refilled by a read from where the descriptor stands
    // whenever that serves, so it costs no seek: bytes of a header cut by
    // the block's end are kept and the read goes on after them; and when the
    // wanted bytes lie within one block after the descriptor (which a
    // rewrite leaves at the end of its "tapt" payload, and a read at the end
    // of the block), the read starts there, reading through the few bytes
    // in between rather than seeking over them. Only bytes farther away
    // need a seek.
    int64_t from; // file offset the read starts at
    if (inblock && fdpos >= pos && fdpos <= blockend) {
        from = fdpos;
    } else if (fdpos >= 0 && fdpos < pos && pos - fdpos <= blocksize - count) {
        from = fdpos;
    } else if (inblock) {
        from = blockend;
    } else {
        from = pos;
    }
    int64_t keep = 0; // bytes of the block from pos on that stay, moved to its front
    if (from > pos) {
        keep = from - pos;
        memmove(block, block + (pos - blockstart), static_cast<size_t>(keep));
    }
    blockstart = from - keep;
    blocklen = keep;
    if (fdpos != from) {
        fdpos = fileseek(moviefd, from, seekfromstart);
        if (fdpos != from) {
            ended = true;
            return nullptr;
        }
    }
    int64_t got = fileread(moviefd, block + keep, blocksize - keep);
    if (got < 0) {
        fdpos = -1;
        blocklen = 0;
        ended = true;
        return nullptr;
    }
    blocklen = keep + got;
    fdpos = from + got;
    if (got < blocksize - keep) {
        fileend = from + got;
    }
    if (blockstart + blocklen - pos < count) {
        ended = true;
        return nullptr;
    }
    unsigned char *p = block + (pos - blockstart);
    pos += count;
    return p;
}

enum { headernone, headerfiller, headerwide, headeratom };

// Reads one atom header at the walk's position. For an atom, sets its type,
// the length of its header (8, or 16 with an extended size), its payload
// length n, and the offset that follows its size and type fields.
int readheader(uint32_t *type, int64_t *headerlen, int64_t *n, int64_t *offset) {
    const unsigned char *p = take(4);
    if (p == nullptr) {
        return headernone;
    }
    uint32_t size = be32(p);
    if (size == 0) {
        return headerfiller;
    }
    if ((p = take(4)) == nullptr) {
        return headernone;
    }
    *type = be32(p);
    *offset = pos;
    *headerlen = 8;
    if (size == 8 && *type == atomwide) {
        return headerwide;
    }
    if (size != 1) {
        *n = static_cast<int64_t>(size) - 8;
        return headeratom;
    }
    if ((p = take(8)) == nullptr) {
        return headernone;
    }
    *headerlen = 16;
    *n = minus(static_cast<int64_t>(be64(p)), 16);
    // An extended size under 16, or one that wraps to a negative length,
    // would send the walk back to this atom's start or before it, and so
    // round forever: such an atom is taken for its 16 header bytes alone.
    if (*n <= -16) {
        *n = 0;
    }
    return headeratom;
}

// Writes count bytes at the file offset at; true when all were written.
bool writeat(int64_t at, const unsigned char *bytes, int64_t count) {
    if (fdpos != at && fileseek(moviefd, at, seekfromstart) != at) {
        fdpos = -1;
        return false;
    }
    fdpos = at;
    int64_t done = 0;
    while (done < count) {
        int64_t w = filewrite(moviefd, bytes + done, count - done);
        if (w <= 0) {
            fdpos = -1;
            return false;
        }
        done += w;
        fdpos += w;
    }
    return true;
}

// Finds the first child of the given type among the children of an aperture
// payload, walked by their size fields. Answers its offset in the payload,
// or -1 when it is missing or is not a whole child of 20 bytes.
int64_t findchild(const unsigned char *payload, int64_t n, uint32_t type) {
    int64_t at = 0;
    while (n - at >= 8) {
        uint32_t size = be32(payload + at);
        if (size < 8 || size > n - at) {
            return -1;
        }
        if (be32(payload + at + 4) == type) {
            return size == 20 ? at : -1;
        }
        at += size;
    }
    return -1;
}

// Rewrites the "tapt" atom whose payload of n bytes starts at the walk's
// position: the clean aperture width and height take the production
// aperture's. offset is the one reported.
void rewrite(int64_t n, int64_t offset) {
    if (n < 0) {
        return; // the walk goes on right after the header
    }
    if (n > maxaperturepayload) {
        skip(n);
        return;
    }
    int64_t start = pos;
    unsigned char *payload = take(n);
    if (payload == nullptr) {
        return;
    }
    int64_t clean = findchild(payload, n, atomcleanaperture);
    int64_t production = findchild(payload, n, atomproductionaperture);
    if (clean < 0 || production < 0) {
        return;
    }
    memcpy(payload + clean + 12, payload + production + 12, 8);
    if (!writeat(start, payload, n)) {
        printf("COULD NOT WRITE aperture setting at %lld\n", static_cast<long long>(offset));
        fflush(stdout);
        ended = true;
        return;
    }
    printf("Found & changed aperture setting at %lld ...\n", static_cast<long long>(offset));
    fflush(stdout);
}

} // namespace

void scanatoms(int64_t remaining, int depth) {
    while (remaining > 0) {
        uint32_t type = 0;
        int64_t headerlen = 0, n = 0, offset = 0;
        int h = readheader(&type, &headerlen, &n, &offset);
        if (h == headernone) {
            return;
        }
        if (h == headerfiller) {
            remaining = minus(remaining, 4);
            continue;
        }
        remaining = minus(remaining, headerlen);
        if (h == headerwide) {
            continue;
        }
        if (type == atomaperture) {
            rewrite(n, offset);
        } else if (intable(containertypes, type) && depth < maxdepth) {
            scanatoms(n, depth + 1);
        } else {
            skip(n);
        }
        remaining = minus(remaining, n);
    }
}

void scanmovie() {
    blockstart = 0;
    blocklen = 0;
    fileend = -1;
    fdpos = 0;
    pos = 0;
    ended = false;
    for (;;) {
        uint32_t type = 0;
        int64_t headerlen = 0, n = 0, offset = 0;
        int h = readheader(&type, &headerlen, &n, &offset);
        if (h == headernone) {
            return;
        }
        if (h != headeratom) {
            continue;
        }
        if (type == atommovie) {
            scanatoms(n, 1);
        } else {
            skip(n);
        }
    }
}

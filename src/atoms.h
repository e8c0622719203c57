// What the program knows of QuickTime atoms: the four-character types it
// looks for and the big-endian fields it decodes. Every four-cc is here.
#pragma once

#include <cstdint>

// The big-endian reading of a four-character type, as it stands in a file.
constexpr uint32_t fourcc(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

inline uint32_t be32(const unsigned char *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline uint64_t be64(const unsigned char *p) {
    return uint64_t(be32(p)) << 32 | be32(p + 4);
}

// Types that, as the type of a file's first atom, mark a movie; ends with 0.
inline constexpr uint32_t qttypes[] = {
    fourcc("free"), fourcc("skip"), fourcc("wide"), fourcc("pnot"),
    fourcc("moov"), fourcc("mdat"), fourcc("ftyp"), 0};

// The one container walked at the top level of a file, and the containers
// walked below it; the latter list ends with 0.
constexpr uint32_t atommovie = fourcc("moov");
inline constexpr uint32_t containertypes[] = {fourcc("trak"), fourcc("mdia"), fourcc("minf"),
                                              fourcc("stbl"), fourcc("edts"), 0};

constexpr uint32_t atomwide = fourcc("wide");               // an 8-byte placeholder
constexpr uint32_t atomaperture = fourcc("tapt");           // track aperture mode dimensions
constexpr uint32_t atomcleanaperture = fourcc("clef");      // its clean aperture child
constexpr uint32_t atomproductionaperture = fourcc("prof"); // its production aperture child

inline bool intable(const uint32_t *table, uint32_t type) {
    for (; *table != 0; table++) {
        if (*table == type) {
            return true;
        }
    }
    return false;
}

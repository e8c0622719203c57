// Writes the fuzzer's seed corpus: small movies from the atom builder, one
// for each shape of file the walk treats in its own way, and the header part
// of movies made by ffmpeg, given on the command line, with their media cut
// to 16 bytes and their clean aperture set smaller than the production one.
//   makeseeds OUTFOLDER [ffmpeg-made.mov ...]
#include "../tests/atombuilder.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const bytes good = tapt(1888, 1062);

struct seed {
    const char *name;
    bytes content;
};

// The header part of a movie: top-level atoms as they are, the media
// atom's payload cut to 16 bytes and its size made to match, and in each
// "tapt" the clean aperture made 32 by 18 smaller than the production one.
bytes trimmed(const bytes &whole) {
    bytes out;
    size_t at = 0;
    while (at + 8 <= whole.size()) {
        uint64_t size = uint32_t(uint8_t(whole[at])) << 24 |
                        uint32_t(uint8_t(whole[at + 1])) << 16 |
                        uint32_t(uint8_t(whole[at + 2])) << 8 | uint32_t(uint8_t(whole[at + 3]));
        if (size < 8 || at + size > whole.size()) {
            out += whole.substr(at);
            break;
        }
        if (whole.compare(at + 4, 4, "mdat") == 0 && size > 24) {
            out += u32(24) + "mdat" + whole.substr(at + 8, 16);
        } else {
            out += whole.substr(at, size);
        }
        at += size;
    }
    for (size_t t = out.find("tapt"); t != bytes::npos; t = out.find("tapt", t + 4)) {
        if (out.compare(t + 8, 4, "clef") == 0 && out.compare(t + 28, 4, "prof") == 0) {
            for (int i = 0; i < 2; i++) {
                size_t clean = t + 16 + 4 * size_t(i), production = t + 36 + 4 * size_t(i);
                uint32_t v = uint32_t(uint8_t(out[production])) << 8 | uint8_t(out[production + 1]);
                v -= i == 0 ? 32 : 18;
                out[clean] = char(v >> 8);
                out[clean + 1] = char(v);
            }
        }
    }
    return out;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: makeseeds OUTFOLDER [ffmpeg-made.mov ...]\n");
        return 2;
    }
    const bytes enc = dims("enof", 1280, 1080);
    const bytes jfif("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 12);
    const seed seeds[] = {
        {"one-track", movie(atom("trak", good))},
        {"two-tracks", movie(atom("trak", good) + atom("trak", good))},
        {"moov-before-mdat", ftyp() + atom("moov", atom("trak", good)) + atom("mdat", "xx")},
        {"mdat-extended", ftyp() + atom64("mdat", "12345678") + atom("moov", atom("trak", good))},
        {"tapt-extended", movie(atom("trak", atom64("tapt", good.substr(8))))},
        {"zero-words", movie(u32(0) + atom("trak", u32(0) + good)) + u32(0)},
        {"size-4-trak", movie(rawatom(4, "trak") + good) + good},
        {"sizes-2-to-7", movie(rawatom(2, "free") + rawatom(5, "tapt") + rawatom(7, "trak") +
                               atom("trak", rawatom(3, "mdia") + good))},
        {"tapt-under-moov", movie(good)},
        {"tapt-under-edts", movie(atom("trak", atom("edts", good)))},
        {"tapt-under-stbl", movie(atom("trak", atom("mdia", atom("minf", atom("stbl", good)))))},
        {"tapt-not-visited", movie(atom("udta", good) + atom("trak", atom("moov", good))) + good},
        {"children-prof-first",
         movie(atom("trak",
                    atom("tapt", dims("prof", 1920, 1080) + dims("clef", 1888, 1062) + enc)))},
        {"children-prof-last", movie(atom("trak", atom("tapt", dims("clef", 1888, 1062) + enc +
                                                                   dims("prof", 1920, 1080))))},
        {"children-damaged",
         movie(atom("trak", atom("tapt", dims("clef", 1888, 1062) + rawatom(7, "prof") + enc)) +
               atom("trak", atom("tapt", dims("clef", 1888, 1062).substr(0, 19))) +
               atom("trak", atom("tapt", bytes(39, 'x'))) + atom("trak", atom("tapt")))},
        {"extended-0", movie(atom("trak", good)) + atom64("free", "", 0) + good},
        {"extended-15", movie(atom("trak", good)) + atom64("free", "", 15) + "x"},
        {"extended-2p63", movie(atom64("free", "", 1ull << 63) + atom("trak", good))},
        {"extended-2p64-1", movie(atom("trak", good) + atom64("trak", "", ~0ull) + good)},
        {"tapt-4gib", movie(atom("trak", atom64("tapt", good.substr(8), (4ull << 30) + 16)) +
                            atom("trak", rawatom(0xFFFFFFFFu, "tapt", good.substr(8))))},
        {"mdat-past-end", ftyp() + rawatom(0x7FFFFFFFu, "mdat", "xx") + atom("moov", good)},
        {"truncated-extended", movie(atom("trak", good)) + u32(1) + "mdat" + "\0\0\0"},
        {"nested-60", movie(nested("trak", 60, good))},
        {"nested-70", movie(nested("mdia", 70, good))},
        {"jfif", jfif + atom("moov", atom("trak", good))},
        {"pnot-first", atom("pnot", "abcd") + atom("moov", atom("trak", good))},
        {"not-a-movie", "Dear reader, this is text.\n"},
    };
    fs::path out = argv[1];
    fs::create_directories(out);
    for (const seed &s : seeds) {
        writefile((out / (std::string("builder-") + s.name + ".mov")).string(), s.content);
    }
    for (int i = 2; i < argc; i++) {
        bytes whole = readfile(argv[i]);
        writefile((out / ("ffmpeg-" + fs::path(argv[i]).filename().string())).string(),
                  trimmed(whole));
    }
    return 0;
}

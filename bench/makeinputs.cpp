// Builds the benchmark's inputs from one ffmpeg-made movie, whose layout is
// the one ffmpeg writes: "ftyp", "wide", "mdat", then "moov".
//
//   makeinputs padded SOURCE OUT MEDIABYTES
//       the source's movie atom, byte for byte, after a media atom of
//       MEDIABYTES payload bytes (64-bit size, taking the place of "wide",
//       so the samples keep their offsets). The padding is a hole in the
//       file: a 1 TiB media atom takes no room on disk.
//   makeinputs tracks SOURCE OUT COUNT
//       the source movie with its track repeated COUNT times in "moov".
//   makeinputs atoms SOURCE OUT COUNT
//       the source movie with COUNT more 8-byte atoms in "moov".
//   makeinputs folder SOURCE DIR COUNT
//       COUNT small movies DIR/NNNNN.mov, each an 8-byte media atom and the
//       source's movie atom.
// Each movie written is followed on standard output by "moov OFFSET SIZE",
// where its movie atom lies.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

std::string source;      // the whole source movie
std::string head;        // its atoms before "wide"
size_t mdatat = 0;       // offset of its "mdat"
size_t moovat = 0;       // offset of its "moov"
std::string samples;     // the payload of its "mdat"
std::string moovpayload; // the payload of its "moov"

uint32_t be32(const std::string &s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}

std::string u32(uint64_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) {
        s[size_t(i)] = char(uint8_t(v >> (24 - 8 * i)));
    }
    return s;
}

std::string atom(const char *type, const std::string &payload) {
    return u32(8 + payload.size()) + type + payload;
}

bool fail(const char *what, const std::string &path) {
    fprintf(stderr, "makeinputs: %s %s: %s\n", what, path.c_str(), strerror(errno));
    return false;
}

bool readsource(const std::string &path) {
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return fail("cannot open", path);
    }
    char buf[65536];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0) {
        source.append(buf, got);
    }
    bool bad = ferror(f) != 0;
    fclose(f);
    if (bad) {
        return fail("cannot read", path);
    }
    // Find the top-level atoms; only 32-bit sizes are expected here.
    size_t wideat = 0;
    bool wide = false;
    for (size_t at = 0; at + 8 <= source.size();) {
        uint32_t size = be32(source, at);
        std::string type = source.substr(at + 4, 4);
        if (size < 8 || at + size > source.size()) {
            break;
        }
        if (type == "wide" && size == 8) {
            wide = true;
            wideat = at;
        } else if (type == "mdat") {
            mdatat = at;
            samples = source.substr(at + 8, size - 8);
        } else if (type == "moov") {
            moovat = at;
            moovpayload = source.substr(at + 8, size - 8);
        }
        at += size;
    }
    if (!wide || wideat + 8 != mdatat || moovat <= mdatat || moovpayload.empty()) {
        fprintf(stderr, "makeinputs: %s is not laid out as ftyp, wide, mdat, moov\n", path.c_str());
        return false;
    }
    head = source.substr(0, wideat);
    return true;
}

bool writefile(const std::string &path, const std::string &content) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return fail("cannot create", path);
    }
    bool ok = fwrite(content.data(), 1, content.size(), f) == content.size();
    ok = fclose(f) == 0 && ok;
    return ok || fail("cannot write", path);
}

// Tells where the movie atom of the file just written lies.
bool printmoov(uint64_t offset, uint64_t size) {
    printf("moov %llu %llu\n", static_cast<unsigned long long>(offset),
           static_cast<unsigned long long>(size));
    return true;
}

// The source with its "moov" payload replaced.
bool writemovie(const std::string &path, const std::string &payload) {
    return printmoov(moovat, 8 + payload.size()) &&
           writefile(path, source.substr(0, moovat) + atom("moov", payload) +
                               source.substr(moovat + 8 + moovpayload.size()));
}

bool padded(const std::string &path, uint64_t mediabytes) {
    if (mediabytes < samples.size()) {
        fprintf(stderr, "makeinputs: the media atom must hold the %zu sample bytes\n",
                samples.size());
        return false;
    }
    std::string start = head + u32(1) + "mdat" + u32(uint64_t(16 + mediabytes) >> 32) +
                        u32(uint32_t(16 + mediabytes)) + samples;
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return fail("cannot create", path);
    }
    std::string moov = atom("moov", moovpayload);
    bool ok = fwrite(start.data(), 1, start.size(), f) == start.size() &&
              fseeko(f, off_t(head.size() + 16 + mediabytes), SEEK_SET) == 0 &&
              fwrite(moov.data(), 1, moov.size(), f) == moov.size();
    ok = fclose(f) == 0 && ok;
    return ok ? printmoov(head.size() + 16 + mediabytes, moov.size()) : fail("cannot write", path);
}

// The first "trak" child of "moov", whole.
std::string firsttrack() {
    for (size_t at = 0; at + 8 <= moovpayload.size();) {
        uint32_t size = be32(moovpayload, at);
        if (size < 8) {
            break;
        }
        if (moovpayload.compare(at + 4, 4, "trak") == 0) {
            return moovpayload.substr(at, size);
        }
        at += size;
    }
    return "";
}

bool tracks(const std::string &path, long count) {
    std::string track = firsttrack();
    if (track.empty()) {
        fprintf(stderr, "makeinputs: the source has no track\n");
        return false;
    }
    std::string payload = moovpayload;
    payload.reserve(payload.size() + track.size() * size_t(count));
    for (long i = 1; i < count; i++) {
        payload += track;
    }
    return writemovie(path, payload);
}

bool atoms(const std::string &path, long count) {
    std::string payload = moovpayload;
    payload.reserve(payload.size() + 8 * size_t(count));
    for (long i = 0; i < count; i++) {
        payload += atom("free", "");
    }
    return writemovie(path, payload);
}

bool folder(const std::string &dir, long count) {
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        return fail("cannot create", dir);
    }
    std::string content =
        head + atom("wide", "") + atom("mdat", std::string(8, '\0')) + atom("moov", moovpayload);
    for (long i = 0; i < count; i++) {
        char name[32];
        snprintf(name, sizeof name, "/%05ld.mov", i);
        if (!writefile(dir + name, content)) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: makeinputs padded|tracks|atoms|folder SOURCE OUT NUMBER\n");
        return 2;
    }
    std::string what = argv[1];
    char *end = nullptr;
    long long number = strtoll(argv[4], &end, 10);
    if (*end != '\0' || number < 0 || !readsource(argv[2])) {
        return 1;
    }
    bool ok = false;
    if (what == "padded") {
        ok = padded(argv[3], uint64_t(number));
    } else if (what == "tracks") {
        ok = tracks(argv[3], long(number));
    } else if (what == "atoms") {
        ok = atoms(argv[3], long(number));
    } else if (what == "folder") {
        ok = folder(argv[3], long(number));
    } else {
        fprintf(stderr, "makeinputs: unknown input %s\n", what.c_str());
        return 2;
    }
    return ok ? 0 : 1;
}

// A small atom builder: tests write the bytes of their movies in code.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using bytes = std::string;

inline bytes u32(uint32_t v) {
    return bytes{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

inline bytes u64(uint64_t v) {
    return u32(uint32_t(v >> 32)) + u32(uint32_t(v));
}

// An atom whose size field is the length of what follows plus 8.
inline bytes atom(const char *type, const bytes &payload = "") {
    return u32(uint32_t(8 + payload.size())) + type + payload;
}

// An atom with any size field, whatever its payload really holds.
inline bytes rawatom(uint32_t size, const char *type, const bytes &payload = "") {
    return u32(size) + type + payload;
}

// An atom with size 1 and an extended size field.
inline bytes atom64(const char *type, const bytes &payload, uint64_t extended) {
    return u32(1) + type + u64(extended) + payload;
}

inline bytes atom64(const char *type, const bytes &payload) {
    return atom64(type, payload, 16 + payload.size());
}

// One aperture child: version and flags, then width and height in 16.16.
inline bytes dims(const char *type, uint32_t width, uint32_t height) {
    return atom(type, u32(0) + u32(width << 16) + u32(height << 16));
}

// A "tapt" as editing software writes it: clean, production, encoded.
inline bytes tapt(uint32_t cw, uint32_t ch, uint32_t pw = 1920, uint32_t ph = 1080,
                  uint32_t ew = 1280, uint32_t eh = 1080) {
    return atom("tapt", dims("clef", cw, ch) + dims("prof", pw, ph) + dims("enof", ew, eh));
}

inline bytes ftyp() {
    return atom("ftyp", "qt  " + u32(0x200) + "qt  ");
}

// The movie any player would write: ftyp, wide, mdat, then the movie atom.
inline bytes movie(const bytes &moovpayload) {
    return ftyp() + atom("wide") + atom("mdat", "12345678") + atom("moov", moovpayload);
}

inline void writefile(const std::string &path, const bytes &content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline bytes readfile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file as the rewrite must leave it: in each "tapt" payload at the given
// offsets, the production width and height copied over the clean ones.
inline bytes fixed(bytes file, const std::vector<int64_t> &payloads) {
    for (int64_t at : payloads) {
        file.replace(size_t(at + 12), 8, file.substr(size_t(at + 32), 8));
    }
    return file;
}

// The report lines for the given offsets.
inline std::string reports(const std::vector<int64_t> &offsets) {
    std::string out;
    for (int64_t at : offsets) {
        out += "Found & changed aperture setting at " + std::to_string(at) + " ...\n";
    }
    return out;
}

// levels atoms of the given type, each the only child of the one before,
// around inner; built in one pass, so a deep nest costs no more than its bytes.
inline bytes nested(const char *type, int64_t levels, const bytes &inner) {
    bytes out;
    out.reserve(size_t(levels) * 8 + inner.size());
    for (int64_t d = 0; d < levels; d++) {
        out += u32(uint32_t(8 * (levels - d) + int64_t(inner.size()))) + type;
    }
    return out + inner;
}

// The safety check every run of the walk must pass, whatever the input: the
// file keeps its length, the offsets reported rise through the file, each
// names a "tapt" payload that holds a clean and a production aperture child,
// that clean aperture now reads as the production one, and no byte changed
// outside the clean aperture width and height of a reported "tapt".
// Written independently of the walk, from the file format alone, so that
// the walk's own reading of a payload is checked rather than repeated.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace checkrewrite {

inline uint64_t bigendian(const std::string &s, uint64_t at, int count) {
    uint64_t v = 0;
    for (int i = 0; i < count; i++) {
        v = v << 8 | static_cast<unsigned char>(s[at + uint64_t(i)]);
    }
    return v;
}

// The offsets of the "Found & changed aperture setting at N ..." lines in
// output, in order. With strict, any other line is an error (the walk alone
// prints nothing else).
inline std::string reportedoffsets(const std::string &output, bool strict,
                                   std::vector<int64_t> *offsets) {
    const std::string head = "Found & changed aperture setting at ";
    const std::string tail = " ...";
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            end = output.size();
        }
        std::string line = output.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, head.size(), head) == 0 && line.size() > head.size() + tail.size() &&
            line.compare(line.size() - tail.size(), tail.size(), tail) == 0) {
            std::string number = line.substr(head.size(), line.size() - head.size() - tail.size());
            if (number.find_first_not_of("0123456789") != std::string::npos || number.size() > 18) {
                return "a report names no offset: \"" + line + "\"";
            }
            offsets->push_back(std::stoll(number));
        } else if (strict) {
            return "the walk printed an unexpected line: \"" + line + "\"";
        }
    }
    return "";
}

// The offset of the first child of the given type among the children of
// the payload at [at, at + n), walked by their size fields; -1 when it is
// missing or not a whole 20-byte child.
inline int64_t child(const std::string &file, uint64_t at, uint64_t n, const char *type) {
    uint64_t c = 0;
    while (n - c >= 8) {
        uint64_t size = bigendian(file, at + c, 4);
        if (size < 8 || size > n - c) {
            return -1;
        }
        if (file.compare(at + c + 4, 4, type) == 0) {
            return size == 20 ? int64_t(at + c) : -1;
        }
        c += size;
    }
    return -1;
}

// Empty when after is a sound result of walking before and printing output;
// otherwise what is wrong.
inline std::string check(const std::string &before, const std::string &after,
                         const std::string &output, bool strict) {
    if (after.size() != before.size()) {
        return "the file's length changed from " + std::to_string(before.size()) + " to " +
               std::to_string(after.size());
    }
    std::vector<int64_t> offsets;
    std::string why = reportedoffsets(output, strict, &offsets);
    if (!why.empty()) {
        return why;
    }
    std::vector<uint64_t> writable; // the first byte of each 8-byte field
    const uint64_t length = before.size();
    int64_t previous = -1;
    for (int64_t offset : offsets) {
        std::string at = " (reported offset " + std::to_string(offset) + ")";
        if (offset <= previous) {
            return "offsets are not reported in rising order" + at;
        }
        previous = offset;
        uint64_t o = uint64_t(offset);
        if (o < 8 || o > length || before.compare(o - 4, 4, "tapt") != 0) {
            return "no \"tapt\" header ends at the offset" + at;
        }
        uint64_t payload = o, n;
        uint64_t size = bigendian(before, o - 8, 4);
        if (size == 1) {
            if (length - o < 8) {
                return "the extended size lies outside the file" + at;
            }
            uint64_t extended = bigendian(before, o, 8);
            payload = o + 8;
            if (extended < 16) {
                return "the extended size is under 16" + at;
            }
            n = extended - 16;
        } else {
            if (size < 8) {
                return "the size field is under 8" + at;
            }
            n = size - 8;
        }
        if (n > length - payload) {
            return "the payload runs past the end of the file" + at;
        }
        int64_t clean = child(before, payload, n, "clef");
        int64_t production = child(before, payload, n, "prof");
        if (clean < 0 || production < 0) {
            return "the payload lacks a whole clean or production child" + at;
        }
        if (after.compare(uint64_t(clean) + 12, 8, before, uint64_t(production) + 12, 8) != 0) {
            return "the clean aperture does not read as the production one" + at;
        }
        writable.push_back(uint64_t(clean) + 12);
    }
    // Compared a block at a time: the files are mostly alike and can be long.
    const uint64_t block = 4096;
    for (uint64_t from = 0; from < length; from += block) {
        uint64_t count = std::min(block, length - from);
        if (before.compare(from, count, after, from, count) == 0) {
            continue;
        }
        for (uint64_t i = from; i < from + count; i++) {
            if (before[i] == after[i]) {
                continue;
            }
            bool allowed = false;
            for (uint64_t w : writable) {
                allowed = allowed || (i >= w && i < w + 8);
            }
            if (!allowed) {
                return "byte " + std::to_string(i) + " changed outside the clean aperture fields";
            }
        }
    }
    return "";
}

} // namespace checkrewrite

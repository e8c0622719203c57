// Hostile files dropped onto the built program: damaged, truncated, absurdly
// deep or large by their own account, locked, or cut short while the
// program waits. Every run must end with status 0 in little memory, and
// nothing but the clean aperture width and height of a reported "tapt" may
// change.
#include "../fuzz/checkrewrite.h"
#include "atombuilder.h"
#include "endtoend.h"
#include "testfiles.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define QUADREL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUADREL_SANITIZED 1
#endif
#endif

#ifdef QUADREL_SANITIZED
// The program's peak memory as the system reports it includes what this
// process held when it started the program. Freed memory that the address
// sanitizer holds back would make this process, and so every figure, grow
// with each run; with no such quarantine it stays at its working set.
extern "C" const char *__asan_default_options() {
    return "quarantine_size_mb=0";
}
#endif

namespace {

const bytes good = tapt(1888, 1062);

// The program's peak memory on a small movie.
long baselinekib() {
    static long kib = [] {
        fs::path dir = scratchfolder();
        std::string path = (dir / "small.mov").string();
        writefile(path, movie(atom("trak", good)));
        long k = runquadrel({path}, "\n\n").maxrsskib;
        fs::remove_all(dir);
        return k;
    }();
    return kib;
}

// Peak memory allowed on any input: 16 MiB for the program as shipped. A
// sanitized build, or one run through a runner such as wine, starts much
// larger, so there the allowance is 16 MiB above its peak on a small movie.
long limitkib() {
    bool runner = getenv("QUADREL_RUNNER") != nullptr && *getenv("QUADREL_RUNNER") != '\0';
#ifdef QUADREL_SANITIZED
    runner = true;
#endif
    return runner ? baselinekib() + 16384 : 16384;
}

long peakkib = 0; // the largest peak seen by this test program

// Drops content, as the file path, onto the program and checks the run.
// Answers the offsets reported. The program's peak memory as the system
// reports it includes what this process held when it started the program,
// so the content is kept on disk, not in memory, while the program runs.
std::vector<int64_t> dropandcheck(const std::string &path, bytes content, const std::string &what) {
    const std::string kept = path + ".before";
    writefile(path, content);
    writefile(kept, content);
    bytes().swap(content);
    malloc_trim(0);
    ran r = runquadrel({path}, "\n\n");
    bytes before = readfile(kept), after = readfile(path);
    fs::remove(kept);
    EXPECT_EQ(r.status, 0) << what;
    EXPECT_LE(r.maxrsskib, limitkib()) << what;
    peakkib = std::max(peakkib, r.maxrsskib);
    EXPECT_GE(r.output.size(), finalmessage.size()) << what;
    EXPECT_EQ(r.output.substr(r.output.size() - std::min(r.output.size(), finalmessage.size())),
              finalmessage)
        << what;
    EXPECT_EQ(checkrewrite::check(before, after, r.output, false), "") << what;
    std::vector<int64_t> offsets;
    checkrewrite::reportedoffsets(r.output, false, &offsets);
    return offsets;
}

std::string hex(uint64_t v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%#llx", static_cast<unsigned long long>(v));
    return buf;
}

class hostile : public testing::Test {
  protected:
    void SetUp() override {
        dir = scratchfolder();
        path = (dir / "clip.mov").string();
    }
    void TearDown() override {
        shell("chattr -i '" + path + "' 2>/dev/null");
        fs::remove_all(dir);
        std::cout << "peak memory so far: " << peakkib << " KiB (allowed " << limitkib()
                  << " KiB)\n";
    }
    fs::path dir;
    std::string path;
};

// A one-frame movie made by ffmpeg, with its clean aperture made smaller
// than its production aperture as editing software writes it; empty when
// ffmpeg is missing. Answers the offset of the "tapt" payload too.
bytes ffmpegmovie(const fs::path &dir, const std::string &options, int64_t *taptpayload) {
    std::string made = (dir / "made.mov").string();
    if (shell("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
              "testsrc=size=1280x1080:rate=30000/1001 -frames:v 1 -c:v dvvideo "
              "-pix_fmt yuv422p -aspect 16:9 " +
              options + " -f mov '" + made + "' 2>/dev/null") != 0) {
        return "";
    }
    bytes m = readfile(made);
    fs::remove(made);
    size_t at = m.find(u32(68) + "tapt" + u32(20) + "clef");
    if (at == bytes::npos || m.compare(at + 28, 8, u32(20) + "prof") != 0) {
        return "";
    }
    *taptpayload = int64_t(at + 8);
    m.replace(at + 20, 8, u32(1888u << 16) + u32(1062u << 16));
    return m;
}

// The byte ranges of the file's atom headers: every top-level atom whole,
// except for the media atom, of which only the header counts.
std::vector<std::pair<size_t, size_t>> headers(const bytes &m) {
    std::vector<std::pair<size_t, size_t>> ranges;
    size_t at = 0;
    while (at + 8 <= m.size()) {
        size_t size = checkrewrite::bigendian(m, at, 4);
        size_t header = 8;
        if (size == 1) {
            size = checkrewrite::bigendian(m, at + 8, 8);
            header = 16;
        }
        if (size < header || size > m.size() - at) {
            ranges.push_back({at, m.size()});
            break;
        }
        ranges.push_back({at, at + (m.compare(at + 4, 4, "mdat") == 0 ? header : size)});
        at += size;
    }
    return ranges;
}

class prefixes : public hostile, public testing::WithParamInterface<const char *> {};

// The movie cut before each byte of its headers: the "tapt" is rewritten
// only when its whole payload lies in the file, and nothing else changes.
TEST_P(prefixes, everyprefixofanffmpegmovie) {
    int64_t payload = 0;
    bytes whole = ffmpegmovie(dir, GetParam(), &payload);
    if (whole.empty()) {
        GTEST_SKIP() << "ffmpeg is missing or wrote no \"tapt\"";
    }
    std::vector<size_t> cuts;
    for (auto [from, to] : headers(whole)) {
        for (size_t c = from; c < to; c++) {
            cuts.push_back(c);
        }
    }
    cuts.push_back(whole.size());
    for (size_t cut : cuts) {
        std::vector<int64_t> reported =
            dropandcheck(path, whole.substr(0, cut), "cut at " + std::to_string(cut));
        std::vector<int64_t> expected;
        if (int64_t(cut) >= payload + 60) {
            expected.push_back(payload);
        }
        EXPECT_EQ(reported, expected) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(hostile, prefixes, testing::Values("", "-movflags +faststart"),
                         [](const testing::TestParamInfo<const char *> &i) {
                             return std::string(i.index == 0 ? "movielast" : "moviefirst");
                         });

TEST_F(hostile, nesting100000levels) {
    for (const char *type : {"trak", "mdia", "edts"}) {
        bytes file = movie(atom("trak", nested(type, 100000, good)));
        EXPECT_EQ(dropandcheck(path, file, type), std::vector<int64_t>{}) << type;
    }
}

TEST_F(hostile, millionatomsinonemovieatom) {
    bytes file;
    {
        bytes many;
        many.reserve(8000000);
        for (int i = 0; i < 1000000; i++) {
            many += atom("free");
        }
        file = movie(many + atom("trak", good));
    }
    EXPECT_EQ(dropandcheck(path, std::move(file), "a million atoms"),
              std::vector<int64_t>{52 + 8000000 + 16});
}

// Sizes 2 to 7 and the extended sizes that send the walk back or overflow,
// for atoms of every kind the walk treats differently, at every level.
TEST_F(hostile, sizesandextendedsizes) {
    std::vector<std::pair<std::string, bytes>> bad;
    for (const char *type : {"free", "trak", "tapt", "moov"}) {
        for (uint32_t size = 2; size <= 7; size++) {
            bad.push_back({"size " + std::to_string(size) + " " + type, rawatom(size, type)});
        }
        for (uint64_t extended : {0ull, 15ull, 16ull, 1ull << 63, (1ull << 63) + 16, ~0ull}) {
            bad.push_back(
                {"extended size " + hex(extended) + " " + type, atom64(type, "", extended)});
        }
    }
    for (const auto &[name, a] : bad) {
        const std::pair<const char *, bytes> placed[] = {
            {"at the top", ftyp() + a + atom("moov", atom("trak", good))},
            {"in the movie atom", movie(a + atom("trak", good))},
            {"in a track", movie(atom("trak", a + good))},
            {"at the end", movie(atom("trak", good)) + a},
        };
        for (const auto &[where, file] : placed) {
            dropandcheck(path, file, name + " " + where);
        }
    }
}

// Sizes far beyond the file: nothing is read or allocated on their account.
TEST_F(hostile, sizesbeyondthefile) {
    const bytes payload = good.substr(8);
    const std::pair<const char *, bytes> files[] = {
        {"tapt of 4 GiB by its extended size",
         movie(atom("trak", atom64("tapt", payload, (4ull << 30) + 16)))},
        {"tapt of 4 GiB by its 32-bit size",
         movie(atom("trak", rawatom(0xFFFFFFFFu, "tapt", payload)))},
        {"tapt of 2^62 bytes", movie(atom("trak", atom64("tapt", payload, 1ull << 62)))},
        {"mdat of 4 GiB", ftyp() + rawatom(0xFFFFFFFFu, "mdat", "xx") + atom("moov", good)},
        {"mdat of 2^62 bytes", ftyp() + atom64("mdat", "xx", 1ull << 62) + atom("moov", good)},
        {"mdat inside the movie atom", movie(rawatom(0xFFFFFFF0u, "mdat") + atom("trak", good))},
        {"movie atom of 4 GiB", ftyp() + rawatom(0xFFFFFFFFu, "moov", atom("trak", good))},
    };
    for (const auto &[name, file] : files) {
        std::vector<int64_t> reported = dropandcheck(path, file, name);
        if (std::string(name) == "movie atom of 4 GiB") {
            EXPECT_EQ(reported, std::vector<int64_t>{44}) << name;
        } else {
            EXPECT_EQ(reported, std::vector<int64_t>{}) << name;
        }
    }
}

TEST_F(hostile, immutablemovie) {
    bytes file = movie(atom("trak", good));
    writefile(path, file);
    if (shell("chattr +i '" + path + "' 2>/dev/null") != 0) {
        GTEST_SKIP() << "this file system cannot make a file immutable";
    }
    ran r = runquadrel({path}, "\n\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_LE(r.maxrsskib, limitkib());
    peakkib = std::max(peakkib, r.maxrsskib);
    EXPECT_NE(r.output.find("COULD NOT OPEN MOVIE FILE FOR WRITE"), std::string::npos);
    EXPECT_EQ(readfile(path), file);
}

// The file is cut short after the program has started and shown its
// prompt, before the user presses Enter.
TEST_F(hostile, truncatedwhilethepromptwaits) {
    const bytes file = movie(atom("trak", good) + atom("trak", good));
    // The second "tapt" payload lies at 144 to 204.
    const struct {
        size_t cut;
        std::vector<int64_t> reported;
    } cases[] = {{0, {}}, {6, {}}, {50, {}}, {100, {}}, {150, {68}}, {203, {68}}, {204, {68, 144}}};
    for (const auto &c : cases) {
        writefile(path, file);
        ran r = runquadrelatprompt(
            {path}, "please hit enter:", [&] { fs::resize_file(path, c.cut); }, "\n\n");
        bytes cut = file.substr(0, c.cut);
        bytes after = readfile(path);
        std::string what = "cut to " + std::to_string(c.cut);
        EXPECT_EQ(r.status, 0) << what;
        EXPECT_LE(r.maxrsskib, limitkib()) << what;
        peakkib = std::max(peakkib, r.maxrsskib);
        EXPECT_EQ(checkrewrite::check(cut, after, r.output, false), "") << what;
        std::vector<int64_t> reported;
        checkrewrite::reportedoffsets(r.output, false, &reported);
        EXPECT_EQ(reported, c.reported) << what;
        EXPECT_EQ(after, fixed(cut, c.reported)) << what;
    }
}

} // namespace

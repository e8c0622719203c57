// The atom walk and the aperture rewrite, on movies built in code.
#include "atombuilder.h"
#include "platform.h"
#include "testfiles.h"
#include "walk.h"

#include <gtest/gtest.h>

namespace {

struct walked {
    std::string output;
    bytes after;
};

// Writes file to disk, walks it as the driver does, and returns what was
// printed and what the file holds afterwards.
walked walk(const bytes &file, bool readonly = false) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "movie").string();
    writefile(path, file);
    moviefd = readonly ? fileopenread(path.c_str()) : fileopenupdate(path.c_str());
    EXPECT_GE(moviefd, 0);
    testing::internal::CaptureStdout();
    scanmovie();
    std::string out = testing::internal::GetCapturedStdout();
    fileclose(moviefd);
    moviefd = -1;
    walked w{out, readfile(path)};
    fs::remove_all(dir);
    return w;
}

const bytes good = tapt(1888, 1062);

struct walkcase {
    const char *name;
    bytes file;
    std::vector<int64_t> reported;  // offsets printed, in order
    std::vector<int64_t> rewritten; // payload offsets rewritten
};

// ftyp (20), wide (8) and mdat (16) come first in movie(): the movie atom
// starts at 44 and its payload at 52.
const walkcase cases[] = {
    {"one track", movie(atom("trak", good)), {68}, {68}},
    {"two tracks in file order",
     movie(atom("trak", good) + atom("trak", good)),
     {68, 144},
     {68, 144}},
    {"movie atom before mdat",
     ftyp() + atom("moov", atom("trak", good)) + atom("mdat", "xx"),
     {44},
     {44}},
    {"mdat with an extended size",
     ftyp() + atom64("mdat", "12345678") + atom("moov", atom("trak", good)),
     {68},
     {68}},
    {"tapt with an extended size reports its extended size field",
     movie(atom("trak", atom64("tapt", good.substr(8)))),
     {68},
     {76}},
    {"zero words between children", movie(u32(0) + atom("trak", u32(0) + good)), {76}, {76}},
    {"top-level zero word is skipped as four bytes",
     ftyp() + u32(0) + atom("moov", atom("trak", good)),
     {48},
     {48}},
    {"top-level size 4: its type is read as the next size",
     ftyp() + u32(4) + atom("moov", atom("trak", good)),
     {48},
     {48}},
    {"trak of size 4 leaves the movie atom's count short by 4",
     movie(rawatom(4, "trak") + good) + good,
     {68, 136},
     {68, 136}},
    {"tapt directly under moov", movie(good), {60}, {60}},
    {"tapt at the top level is not visited", movie(atom("trak")) + good, {}, {}},
    {"tapt in an unlisted container is not visited", movie(atom("udta", good)), {}, {}},
    {"tapt under edts", movie(atom("trak", atom("edts", good))), {76}, {76}},
    {"tapt under mdia, minf, stbl",
     movie(atom("trak", atom("mdia", atom("minf", atom("stbl", good))))),
     {92},
     {92}},
    {"moov inside trak is not descended into", movie(atom("trak", atom("moov", good))), {}, {}},
    {"apertures already equal are still reported",
     movie(atom("trak", tapt(1920, 1080))),
     {68},
     {68}},
    {"file ends after a header of size 1", ftyp() + u32(1) + "mdat", {}, {}},
    {"empty file", "", {}, {}},
    // The walk must end on extended sizes that would send it back.
    {"extended size 0 after the movie",
     movie(atom("trak", good)) + atom64("free", "", 0),
     {68},
     {68}},
    {"extended size 2^64-1 after the movie",
     movie(atom("trak", good)) + atom64("free", "", ~0ull),
     {68},
     {68}},
    {"extended size 2^63+16 after the movie",
     movie(atom("trak", good)) + atom64("free", "", (1ull << 63) + 16),
     {68},
     {68}},
    {"extended size 0 inside the movie: its 16 header bytes are passed over",
     movie(atom64("free", "", 0) + atom("trak", good)),
     {84},
     {84}},
    {"extended size 15 moves the walk on by 15",
     movie(atom("trak", good)) + atom64("free", "", 15) + "x",
     {68},
     {68}},
    {"extended size 2^63 overflows and stays put",
     movie(atom("trak", good)) + atom64("free", "", 1ull << 63),
     {68},
     {68}},
};

class walkcases : public testing::TestWithParam<walkcase> {};

TEST_P(walkcases, rewritesexactlytheaperturesitshould) {
    const walkcase &c = GetParam();
    walked w = walk(c.file);
    EXPECT_EQ(w.output, reports(c.reported));
    EXPECT_EQ(w.after, fixed(c.file, c.rewritten));
}

INSTANTIATE_TEST_SUITE_P(walk, walkcases, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<walkcase> &i) {
                             std::string n;
                             for (const char *p = i.param.name; *p; p++) {
                                 n += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return n;
                         });

// Aperture children are found by their types and sizes, whatever their order.
TEST(aperture, childrenintheirownorder) {
    const bytes enc = dims("enof", 1280, 1080);
    const bytes layouts[][2] = {
        {dims("clef", 1888, 1062) + enc + dims("prof", 1920, 1080),
         dims("clef", 1920, 1080) + enc + dims("prof", 1920, 1080)},
        {dims("prof", 1920, 1080) + dims("clef", 1888, 1062) + enc,
         dims("prof", 1920, 1080) + dims("clef", 1920, 1080) + enc},
        {dims("clef", 1888, 1062) + dims("prof", 1920, 1080),
         dims("clef", 1920, 1080) + dims("prof", 1920, 1080)},
    };
    for (const auto &l : layouts) {
        walked w = walk(movie(atom("trak", atom("tapt", l[0]))));
        EXPECT_EQ(w.output, reports({68}));
        EXPECT_EQ(w.after, movie(atom("trak", atom("tapt", l[1]))));
    }
}

// A payload that does not hold both children whole is left alone, unreported,
// and the walk goes on after it to the next track.
TEST(aperture, unusablepayloadsareleftalone) {
    const bytes clean = dims("clef", 1888, 1062), prod = dims("prof", 1920, 1080);
    const bytes payloads[] = {
        "",
        clean + dims("enof", 1280, 1080),
        prod + dims("enof", 1280, 1080),
        atom("clef", u32(0) + u32(1888 << 16) + u32(1062 << 16) + "pad!") + prod,
        clean + rawatom(7, "prof") + prod,
        clean + rawatom(200, "prof") + prod.substr(8),
        clean.substr(0, 19) + prod,
        prod + clean.substr(0, 16), // the last child runs past the payload's end
        bytes(39, 'x'),
        atom("tapt", clean + prod), // children one level too deep
    };
    for (const bytes &p : payloads) {
        bytes file = movie(atom("trak", atom("tapt", p)) + atom("trak", good));
        walked w = walk(file);
        int64_t second = 52 + 8 + int64_t(p.size()) + 8 + 8 + 8;
        EXPECT_EQ(w.output, reports({second}));
        EXPECT_EQ(w.after, fixed(file, {second}));
    }
}

TEST(aperture, oversizedpayloadispassedover) {
    bytes big = atom("tapt", good.substr(8) + bytes(size_t(maxaperturepayload), '\0'));
    bytes file = movie(atom("trak", big) + atom("trak", good));
    int64_t second = 52 + 8 + int64_t(big.size()) + 16;
    walked w = walk(file);
    EXPECT_EQ(w.output, reports({second}));
    EXPECT_EQ(w.after, fixed(file, {second}));
}

// Cut the file at every byte: a tapt is rewritten only when its whole payload
// lies in the file, and nothing else is ever written.
TEST(walk, everyprefixofamovie) {
    const bytes whole = movie(atom("trak", good) + atom("trak", good));
    for (size_t len = 0; len <= whole.size(); len++) {
        bytes file = whole.substr(0, len);
        std::vector<int64_t> done;
        for (int64_t at : {68, 144}) {
            if (size_t(at) + 60 <= len) {
                done.push_back(at);
            }
        }
        walked w = walk(file);
        EXPECT_EQ(w.output, reports(done)) << "cut at " << len;
        EXPECT_EQ(w.after, fixed(file, done)) << "cut at " << len;
    }
}

// The walk reads the file a block of 64 KiB at a time: headers and payloads
// cut by a block's end, before and after a rewrite, come out the same.
TEST(walk, atomscutbytheblocksend) {
    for (int64_t pad = 65536 - 160; pad <= 65536 - 40; pad++) {
        bytes file = movie(atom("free", bytes(size_t(pad), 'p')) + atom("trak", good) +
                           atom("trak", good) + atom("trak", good));
        int64_t first = 52 + 8 + pad + 16;
        walked w = walk(file);
        EXPECT_EQ(w.output, reports({first, first + 76, first + 152})) << pad;
        EXPECT_EQ(w.after, fixed(file, {first, first + 76, first + 152})) << pad;
    }
}

TEST(walk, nestingislimitednotrecursedwithoutend) {
    // Well within the limit: found and rewritten.
    bytes shallow = movie(nested("trak", 60, good));
    walked w = walk(shallow);
    EXPECT_EQ(w.output, reports({52 + 60 * 8 + 8}));
    // A hundred thousand levels: passed over below the limit, and the walk ends.
    bytes deep = movie(nested("trak", 100000, good));
    w = walk(deep);
    EXPECT_EQ(w.output, "");
    EXPECT_EQ(w.after, deep);
}

TEST(walk, millionatomsinonemovieatom) {
    bytes many;
    many.reserve(8000000 + 200);
    for (int i = 0; i < 1000000; i++) {
        many += atom("free");
    }
    bytes file = movie(many + atom("trak", good));
    walked w = walk(file);
    int64_t at = 52 + 8000000 + 16;
    EXPECT_EQ(w.output, reports({at}));
    EXPECT_EQ(w.after, fixed(file, {at}));
}

// An mdat of 3 000 000 000 bytes by its 32-bit size is passed over forward;
// the file is sparse, so the test writes only its two ends.
TEST(walk, mdatlargerthan2gib) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "movie").string();
    const int64_t mdat = 3000000000;
    writefile(path, ftyp() + rawatom(uint32_t(mdat), "mdat"));
    fs::resize_file(path, uint64_t(20 + mdat));
    bytes moov = atom("moov", atom("trak", good));
    { std::ofstream(path, std::ios::binary | std::ios::app) << moov; }
    moviefd = fileopenupdate(path.c_str());
    ASSERT_GE(moviefd, 0);
    testing::internal::CaptureStdout();
    scanmovie();
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GE(fileseek(moviefd, 20 + mdat, seekfromstart), 0);
    bytes tail(moov.size(), '\0');
    EXPECT_EQ(fileread(moviefd, tail.data(), int64_t(tail.size())), int64_t(tail.size()));
    fileclose(moviefd);
    moviefd = -1;
    fs::remove_all(dir);
    EXPECT_EQ(out, reports({20 + mdat + 24}));
    EXPECT_EQ(tail, fixed(moov, {24}));
}

// A write that fails is reported as a failure, never as a change, and the
// walk stops.
TEST(walk, failedwriteisnotreportedasachange) {
    bytes file = movie(atom("trak", good) + atom("trak", good));
    walked w = walk(file, true);
    EXPECT_EQ(w.output, "COULD NOT WRITE aperture setting at 68\n");
    EXPECT_EQ(w.after, file);
}

} // namespace

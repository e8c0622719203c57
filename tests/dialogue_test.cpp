// The dialogue and the processing of one dropped file, through the built
// program.
#include "atombuilder.h"
#include "endtoend.h"
#include "testfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const bytes film = movie(atom("trak", tapt(1888, 1062)));
const std::string changed = "Found & changed aperture setting at 68 ...\n";

std::string rename(const std::string &path) {
    return "rename \"" + path + "\" \"" + path + ".mov\"\n";
}

TEST(dialogue, noargumentshowsusageandreadsoneline) {
    ran r = runquadrel({}, "\n\n");
    EXPECT_EQ(r.output, usage);
    EXPECT_EQ(r.status, 0);
}

TEST(dialogue, onemovieexactlyasshown) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "clip.mov").string();
    writefile(path, film);
    // Only the first argument counts.
    ran r = runquadrel({path, (dir / "other").string()}, "\n\n");
    EXPECT_EQ(r.output,
              banner(path, false) + path + " -- This is a quicktime\n" + changed + finalmessage);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readfile(path), fixed(film, {68}));
    fs::remove_all(dir);
}

// What happens to each kind of dropped file, and to its name.
TEST(dialogue, targetsandtheirnames) {
    const bytes jfif("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 12);
    const struct {
        const char *name;
        bytes content;
        std::string report;  // after the name and a blank
        const char *renamed; // the name afterwards
    } cases[] = {
        {"take1", film, "-- This is a quicktime\n" + changed, "take1.mov"},
        {"CLIP.MOV", film, "-- This is a quicktime\n" + changed, "CLIP.MOV.mov"},
        {"take.movie", film, "-- This is a quicktime\n" + changed, "take.movie"},
        {"notes.txt", "Dear reader, this is text.\n", "-- not a Quicktime\n", "notes.txt"},
        {"photo.jpg", jfif, "-- This is a quicktime\n", "photo.jpg.mov"},
        {"x$(touch pwned)`touch pwned2`$HOME%PATH%", film, "-- This is a quicktime\n" + changed,
         "x$(touch pwned)`touch pwned2`$HOME%PATH%.mov"},
    };
    for (const auto &c : cases) {
        fs::path dir = scratchfolder();
        std::string path = (dir / c.name).string();
        writefile(path, c.content);
        ran r = runquadrel({path}, "\n\n", dir.string());
        // A rename command is shown exactly when the name changes.
        std::string repair = std::string(c.renamed) != c.name ? rename(path) : "";
        EXPECT_EQ(r.output, banner(path, false) + path + " " + c.report + repair + finalmessage)
            << c.name;
        EXPECT_EQ(r.status, 0);
        bytes expected = c.content == film ? fixed(film, {68}) : c.content;
        EXPECT_EQ(readfile((dir / c.renamed).string()), expected) << c.name;
        std::vector<std::string> left;
        for (auto &e : fs::directory_iterator(dir)) {
            left.push_back(e.path().filename().string());
        }
        EXPECT_EQ(left, std::vector<std::string>{c.renamed}) << c.name;
        fs::remove_all(dir);
    }
}

// A name beyond ASCII is opened, fixed and renamed as it is, and shown as it
// is (on Windows through the UTF-8 code page of the program's manifest).
TEST(dialogue, nonasciinameisfixedandrenamed) {
    fs::path dir = scratchfolder();
    const std::string name = "\u00DCberspielung_\u6771\u4EAC"; // Überspielung_東京
    std::string path = (dir / name).string();
    writefile(path, film);
    ran r = runquadrel({path}, "\n\n");
    EXPECT_EQ(r.output, banner(path, false) + path + " -- This is a quicktime\n" + changed +
                            rename(path) + finalmessage);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readfile(path + ".mov"), fixed(film, {68}));
    std::vector<std::string> left;
    for (auto &e : fs::directory_iterator(dir)) {
        left.push_back(e.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{name + ".mov"});
    fs::remove_all(dir);
}

TEST(dialogue, renameneverreplacesanexistingfile) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "take1").string();
    writefile(path, film);
    writefile(path + ".mov", "precious");
    ran r = runquadrel({path}, "\n\n");
    EXPECT_EQ(r.output, banner(path, false) + path + " -- This is a quicktime\n" + changed +
                            rename(path) + "COULD NOT RENAME: \"" + path +
                            ".mov\" ALREADY EXISTS\n" + finalmessage);
    EXPECT_EQ(readfile(path), fixed(film, {68}));
    EXPECT_EQ(readfile(path + ".mov"), "precious");
    fs::remove_all(dir);
}

// Root ignores permission bits, so the file is made immutable instead.
TEST(dialogue, readonlymovie) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "locked").string();
    writefile(path, film);
    if (shell("chattr +i '" + path + "' 2>/dev/null") != 0) {
        fs::remove_all(dir);
        GTEST_SKIP() << "this file system cannot make a file immutable";
    }
    ran r = runquadrel({path}, "\n\n");
    shell("chattr -i '" + path + "'");
    EXPECT_EQ(r.output, banner(path, false) + path +
                            " -- This is a quicktime\n"
                            "\nCOULD NOT OPEN MOVIE FILE FOR WRITE\nCHECK FOR READ-ONLY FILE\n\n" +
                            rename(path) + "COULD NOT RENAME \"" + path + "\"\n" + finalmessage);
    EXPECT_EQ(readfile(path), film);
    fs::remove_all(dir);
}

// Targets that are not regular files are refused at once: none can block.
// Windows has devices of its own names, and no POSIX named pipes.
TEST(dialogue, pipesanddevicesarenotmovies) {
    fs::path dir = scratchfolder();
    std::vector<std::string> paths{"CON", "NUL"};
    if (!windowsrun()) {
        std::string fifo = (dir / "pipe").string();
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        paths = {fifo, "/dev/zero", "/dev/null"};
    }
    for (const std::string &path : paths) {
        ran r = runquadrel({path}, "\n\n");
        EXPECT_EQ(r.output, banner(path, false) + path + " -- not a Quicktime\n" + finalmessage);
        EXPECT_EQ(r.status, 0);
    }
    fs::remove_all(dir);
}

// With no input at all, every read returns at once and the run ends.
TEST(dialogue, endofinput) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "a.mov").string();
    writefile(path, film);
    ran r = runquadrel({path});
    EXPECT_EQ(r.output,
              banner(path, false) + path + " -- This is a quicktime\n" + changed + finalmessage);
    EXPECT_EQ(runquadrel({}).output, usage);
    fs::remove_all(dir);
}

// Nothing is written before the first Enter: a long line is read whole.
TEST(dialogue, longinputlinesarereadwhole) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "a.mov").string();
    writefile(path, film);
    ran r = runquadrel({path}, std::string(10000, 'y') + "\n" + std::string(10000, 'z') + "\n");
    EXPECT_EQ(r.output,
              banner(path, false) + path + " -- This is a quicktime\n" + changed + finalmessage);
    fs::remove_all(dir);
}

} // namespace

// Dropping a folder, through the built program.
#include "atombuilder.h"
#include "endtoend.h"
#include "testfiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const bytes film = movie(atom("trak", tapt(1888, 1062)));
const std::string changed = "Found & changed aperture setting at 68 ...\n";

std::string rename(const std::string &path) {
    return "rename \"" + path + "\" \"" + path + ".mov\"\n";
}

// The part of a folder run between the prompt and the final message, after
// checking both.
std::string reportsof(const ran &r, const std::string &folder) {
    std::string head = banner(folder, true);
    EXPECT_EQ(r.output.substr(0, head.size()), head);
    EXPECT_GE(r.output.size(), head.size() + finalmessage.size());
    EXPECT_EQ(r.output.substr(r.output.size() - finalmessage.size()), finalmessage);
    EXPECT_EQ(r.status, 0);
    if (r.output.size() < head.size() + finalmessage.size()) {
        return "";
    }
    return r.output.substr(head.size(), r.output.size() - head.size() - finalmessage.size());
}

// Each entry's report stands once, whole, in listing order (which the file
// system chooses), and nothing else is printed.
void expectreports(const std::string &middle, const std::vector<std::string> &blocks) {
    size_t total = 0;
    for (const std::string &b : blocks) {
        size_t at = middle.find(b);
        EXPECT_NE(at, std::string::npos) << b;
        if (at != std::string::npos) {
            EXPECT_EQ(middle.find(b, at + 1), std::string::npos) << b;
        }
        total += b.size();
    }
    EXPECT_EQ(middle.size(), total) << middle;
}

TEST(folder, moviesatextfileandasubfolder) {
    fs::path dir = scratchfolder();
    std::string d = dir.string();
    writefile(d + "/a.mov", film);
    writefile(d + "/take2", film);
    writefile(d + "/notes.txt", "Dear reader.\n");
    fs::create_directory(dir / "sub");
    writefile(d + "/sub/inner.mov", film);
    ASSERT_EQ(mkfifo((d + "/pipe").c_str(), 0600), 0);
    ran r = runquadrel({d}, "\n\n");
    std::string take2 = d + entryseparator() + "take2"; // as the program names it
    expectreports(reportsof(r, d), {
                                       "a.mov -- This is a quicktime\n" + changed,
                                       "take2 -- This is a quicktime\n" + changed + rename(take2),
                                       "notes.txt -- not a Quicktime\n",
                                       "sub -- not a Quicktime\n",
                                       "pipe -- not a Quicktime\n",
                                   });
    EXPECT_EQ(readfile(d + "/a.mov"), fixed(film, {68}));
    EXPECT_EQ(readfile(d + "/take2.mov"), fixed(film, {68}));
    EXPECT_FALSE(fs::exists(dir / "take2"));
    EXPECT_EQ(readfile(d + "/sub/inner.mov"), film); // sub-folders are not entered
    fs::remove_all(dir);
}

TEST(folder, emptyfolderandmissingpath) {
    fs::path dir = scratchfolder();
    for (const std::string &d : {dir.string(), (dir / "nothing here").string()}) {
        ran r = runquadrel({d}, "\n\n");
        EXPECT_EQ(r.output, banner(d, true) + finalmessage);
        EXPECT_EQ(r.status, 0);
    }
    fs::remove_all(dir);
}

// The rename is decided on the whole path: inside a folder whose path holds
// ".mov", no entry is renamed.
TEST(folder, folderpathcontainingmov) {
    fs::path dir = scratchfolder();
    std::string d = (dir / "clips.mov.d").string();
    fs::create_directory(d);
    writefile(d + "/take1", film);
    ran r = runquadrel({d}, "\n\n");
    expectreports(reportsof(r, d), {"take1 -- This is a quicktime\n" + changed});
    EXPECT_EQ(readfile(d + "/take1"), fixed(film, {68}));
    fs::remove_all(dir);
}

// Names are bytes: none is interpreted, and none reaches a shell.
TEST(folder, namesofanykind) {
    fs::path dir = scratchfolder();
    std::string d = dir.string();
    std::vector<std::string> names = {
        "with space", "quote\"d", "it's",      "$(touch pwned)",       "`touch pwned2`",
        "$HOME",      "%PATH%",   "new\nline", "\xff\xfe latin1 \xe9", "back\\slash",
    };
    if (windowsrun()) {
        // Windows names hold no quote, backslash or line end, and are UTF-8.
        names = {"with space", "it's",   "$(touch pwned)", "`touch pwned2`",
                 "$HOME",      "%PATH%", "a&b^c;d",        "\u00DCberspielung_\u6771\u4EAC"};
    }
    std::vector<std::string> blocks;
    for (const std::string &n : names) {
        writefile(d + "/" + n, film);
        blocks.push_back(n + " -- This is a quicktime\n" + changed +
                         rename(d + entryseparator() + n));
    }
    ran r = runquadrel({d}, "\n\n", d);
    expectreports(reportsof(r, d), blocks);
    std::vector<std::string> left;
    for (auto &e : fs::directory_iterator(dir)) {
        left.push_back(e.path().filename().string());
    }
    std::vector<std::string> expected;
    for (const std::string &n : names) {
        expected.push_back(n + ".mov");
        EXPECT_EQ(readfile(d + "/" + n + ".mov"), fixed(film, {68})) << n;
    }
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    fs::remove_all(dir);
}

// The listing is taken before the prompt: an entry removed while it waits
// is not a movie any more, and one added meanwhile is not processed.
TEST(folder, changeswhilethepromptwaits) {
    fs::path dir = scratchfolder();
    std::string d = dir.string();
    writefile(d + "/gone.mov", film);
    ran r = runquadrelatprompt(
        {d}, "please hit enter:",
        [&] {
            fs::remove(dir / "gone.mov");
            writefile(d + "/late.mov", film);
        },
        "\n\n");
    expectreports(reportsof(r, d), {"gone.mov -- not a Quicktime\n"});
    EXPECT_EQ(readfile(d + "/late.mov"), film);
    fs::remove_all(dir);
}

// A folder of 100,000 entries is listed whole.
TEST(folder, largefolder) {
    fs::path dir = scratchfolder();
    std::string d = dir.string();
    const int count = 100000;
    for (int i = 0; i < count; i++) {
        writefile(d + "/f" + std::to_string(i) + ".mov", i % 25000 == 7 ? film : "text");
    }
    ran r = runquadrel({d}, "\n\n");
    std::string middle = reportsof(r, d);
    EXPECT_EQ(std::count(middle.begin(), middle.end(), '\n'), count + 4);
    size_t notmovies = 0;
    for (size_t at = 0; (at = middle.find(" -- not a Quicktime\n", at)) != std::string::npos;
         at++) {
        notmovies++;
    }
    EXPECT_EQ(notmovies, size_t(count - 4));
    for (int i = 7; i < count; i += 25000) {
        EXPECT_EQ(readfile(d + "/f" + std::to_string(i) + ".mov"), fixed(film, {68}));
    }
    fs::remove_all(dir);
}

} // namespace

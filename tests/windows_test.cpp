// What only the Windows program meets, through wine: the root folder of a
// drive, whose listing has no self and parent entries.
#include "atombuilder.h"
#include "endtoend.h"
#include "testfiles.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const bytes film = movie(atom("trak", tapt(1888, 1062)));
const std::string changed = "Found & changed aperture setting at 68 ...\n";

// A drive's root has no self and parent entries: its first two real entries
// are the ones skipped, since the first two slots never are processed. Wine's drives are the
// links in the prefix's dosdevices folder.
TEST(windows, driverootdropsitsfirsttwoentries) {
    const char *prefix = getenv("WINEPREFIX");
    if (!windowsrun() || prefix == nullptr || *prefix == '\0') {
        GTEST_SKIP() << "only for the Windows program under wine, with WINEPREFIX set";
    }
    fs::path devices = fs::path(prefix) / "dosdevices";
    std::string letter;
    for (char c = 'q'; c <= 'y' && letter.empty(); c++) {
        if (!fs::exists(fs::symlink_status(devices / (std::string(1, c) + ":")))) {
            letter = std::string(1, c);
        }
    }
    ASSERT_FALSE(letter.empty()) << "no free drive letter";
    fs::path dir = scratchfolder();
    const std::vector<std::string> names{"a", "b", "c", "d"};
    for (const std::string &n : names) {
        writefile((dir / n).string(), film);
    }
    fs::path drive = devices / (letter + ":");
    fs::create_directory_symlink(dir, drive);
    std::string root = letter + ":\\";
    ran r = runquadrel({root}, "\n\n");
    fs::remove(drive);

    // Two of the four are processed, the two that the listing gave last.
    std::vector<std::string> reports;
    for (const std::string &n : names) {
        if (fs::exists(dir / (n + ".mov"))) {
            EXPECT_EQ(readfile((dir / (n + ".mov")).string()), fixed(film, {68})) << n;
            std::string path = root + "\\" + n;
            reports.push_back(n + " -- This is a quicktime\n" + changed + "rename \"" + path +
                              "\" \"" + path + ".mov\"\n");
        } else {
            EXPECT_EQ(readfile((dir / n).string()), film) << n;
        }
    }
    ASSERT_EQ(reports.size(), 2u);
    std::string head = banner(root, true);
    EXPECT_TRUE(r.output == head + reports[0] + reports[1] + finalmessage ||
                r.output == head + reports[1] + reports[0] + finalmessage)
        << r.output;
    EXPECT_EQ(r.status, 0);
    fs::remove_all(dir);
}

} // namespace

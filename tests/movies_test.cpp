// Real movies, made by ffmpeg, fixed by the built program and read back by
// exiftool: a check of the result outside our own code.
#include "atombuilder.h"
#include "endtoend.h"
#include "testfiles.h"

#include <gtest/gtest.h>

namespace {

struct format {
    const char *name;
    const char *size; // encoded pixels
    const char *aspect;
    const char *rate;
    uint32_t cleanw, cleanh; // as editing software writes it
    const char *production;  // as exiftool shows it
};

const format formats[] = {
    {"DVCPRO HD 1080", "1280x1080", "16:9", "30000/1001", 1888, 1062, "1920x1080"},
    {"DVCPRO HD 720", "960x720", "16:9", "60000/1001", 1248, 702, "1280x720"},
    {"DVCPRO50", "720x480", "4:3", "30000/1001", 629, 472, "640x480"},
};

std::string exifdims(const std::string &path) {
    return capture("exiftool -s -s -s -CleanApertureDimensions -ProductionApertureDimensions '" +
                   path + "'");
}

TEST(movies, ffmpegmoviesarefixedasexiftoolsees) {
    ASSERT_EQ(shell("command -v ffmpeg >/dev/null && command -v exiftool >/dev/null"), 0)
        << "the tests need ffmpeg and exiftool";
    for (const format &f : formats) {
        fs::path dir = scratchfolder();
        std::string path = (dir / "take").string();
        ASSERT_EQ(shell(std::string("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=") + f.size +
                        ":rate=" + f.rate + " -frames:v 2 -c:v dvvideo -pix_fmt yuv422p -aspect " +
                        f.aspect + " -f mov '" + path + "'"),
                  0)
            << f.name;
        const bytes made = readfile(path);
        // ffmpeg writes the clean aperture equal to the production one; make it
        // smaller, as editing software does.
        size_t clef = made.find("clef");
        ASSERT_NE(clef, std::string::npos) << f.name;
        ASSERT_EQ(made.find("clef", clef + 1), std::string::npos) << f.name;
        bytes cropped = made;
        cropped.replace(clef + 8, 8, u32(f.cleanw << 16) + u32(f.cleanh << 16));
        writefile(path, cropped);
        ASSERT_NE(exifdims(path), std::string(f.production) + "\n" + f.production + "\n");

        ran r = runquadrel({path}, "\n\n");
        EXPECT_EQ(r.status, 0);
        std::string report =
            path + " -- This is a quicktime\nFound & changed aperture setting at " +
            std::to_string(clef - 4) + " ...\nrename \"" + path + "\" \"" + path + ".mov\"\n";
        EXPECT_EQ(r.output, banner(path, false) + report + finalmessage) << f.name;

        EXPECT_EQ(exifdims(path + ".mov"), std::string(f.production) + "\n" + f.production + "\n")
            << f.name;
        // Byte for byte, the result is the movie as ffmpeg made it.
        EXPECT_EQ(readfile(path + ".mov"), made) << f.name;
        fs::remove_all(dir);
    }
}

} // namespace

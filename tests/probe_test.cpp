// The movie signature probe.
#include "atombuilder.h"
#include "platform.h"
#include "probe.h"
#include "testfiles.h"

#include <gtest/gtest.h>

namespace {

int probe(const bytes &content) {
    fs::path dir = scratchfolder();
    std::string path = (dir / "file").string();
    writefile(path, content);
    int fd = fileopenread(path.c_str());
    EXPECT_GE(fd, 0);
    int answer = isqtfile(fd);
    fs::remove_all(dir);
    return answer;
}

TEST(probe, answers) {
    const struct {
        bytes content;
        int answer;
    } cases[] = {
        {ftyp(), qtaccepted},
        {atom("mdat", "xx"), qtaccepted},
        {atom("moov", "xx"), qtaccepted},
        {atom("free", "xx"), qtaccepted},
        {atom("skip", "xx"), qtaccepted},
        {atom("wide"), qtaccepted},
        {atom("pnot", "xx"), qtaccepted},
        {u32(0) + "ftyp", qtaccepted},                               // exactly 8 bytes
        {atom("MOOV", "xx"), qtrefused},                             // case-sensitive
        {bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), qtaccepted}, // a JFIF image
        {"Dear reader, this is text.\n", qtrefused},
        {"Thisfree text", qtaccepted}, // "free" at bytes 4 to 7
        {bytes(16, '\0'), qtrefused},  // a zero type never matches
        {"", qtunreadable},
        {"abcd", qtunreadable},
        {"abcdefg", qtunreadable},   // the file ends inside the type
        {"abcdefghi", qtunreadable}, // no match, and ends inside the JFIF place
    };
    for (const auto &c : cases) {
        EXPECT_EQ(probe(c.content), c.answer) << testing::PrintToString(c.content);
    }
}

} // namespace

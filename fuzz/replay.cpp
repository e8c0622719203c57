// Replays every file of the given folders through the probe, the walk and
// the safety check, without libFuzzer: the kept corpus (seeds and every
// input that ever failed) is checked on every test run, in any build.
#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char **argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; i++) {
        std::error_code ec;
        for (const auto &e : fs::directory_iterator(argv[i], ec)) {
            if (e.is_regular_file() && e.path().filename().string()[0] != '.') {
                files.push_back(e.path());
            }
        }
        if (ec) {
            fprintf(stderr, "cannot list %s: %s\n", argv[i], ec.message().c_str());
            return 1;
        }
    }
    std::sort(files.begin(), files.end());
    int failed = 0;
    for (const fs::path &f : files) {
        std::ifstream in(f, std::ios::binary);
        std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        // A walk that does not end within this time is a hang: the alarm
        // ends the process and the test fails.
        alarm(20);
        std::string why = runandcheck(input);
        alarm(0);
        if (!why.empty()) {
            fprintf(stderr, "FAILED %s: %s\n", f.string().c_str(), why.c_str());
            failed++;
        }
    }
    printf("%zu inputs replayed, %d failed\n", files.size(), failed);
    return failed == 0 && !files.empty() ? 0 : 1;
}

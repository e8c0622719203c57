// Scratch files for tests, in a folder of their own that is removed after.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;

// A new empty folder under the system's temporary folder.
inline fs::path scratchfolder() {
    static std::mt19937_64 rng{std::random_device{}()};
    for (;;) {
        fs::path p = fs::temp_directory_path() / ("quadrel-test-" + std::to_string(rng()));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            return p;
        }
    }
}

// libFuzzer target: every input is a movie dropped onto the program. A run
// that crashes, hangs, grows without bound or writes a byte it should not
// is a finding.
#include "harness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string why = runandcheck(std::string(reinterpret_cast<const char *>(data), size));
    if (!why.empty()) {
        fprintf(stderr, "quadrel fuzz check failed: %s\n", why.c_str());
        abort();
    }
    return 0;
}

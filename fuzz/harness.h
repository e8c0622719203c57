// One input through the probe and the walk, as the program treats a dropped
// file, and the safety check on what came of it. Shared by the fuzzer and by
// the replay of the kept corpus.
#pragma once

#include <string>

// Writes input to a scratch file of this process, probes it, walks it when
// the probe accepts it, and checks the result; then does the same with the
// input placed across the edge of the walk's read block. Empty when both
// runs were sound; otherwise what went wrong.
std::string runandcheck(const std::string &input);

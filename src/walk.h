// Walking a movie's atom tree and making every clean aperture equal to its
// production aperture, in place.
#pragma once

#include <cstdint>

// The movie file open for update. The driver opens it, standing at the start
// of the file, before scanmovie, and closes it afterwards.
extern int moviefd;

// Containers nest no deeper than this below "moov"; a container deeper down
// is passed over like any other atom, so no file can exhaust the stack.
constexpr int maxdepth = 64;

// A "tapt" payload larger than this is passed over unchanged.
constexpr int64_t maxaperturepayload = 65536;

// Walks the top-level atoms of moviefd to the end of the file, descending
// into "moov".
void scanmovie();

// Walks the children of a container whose payload holds remaining bytes,
// depth levels below the top of the file, rewriting every "tapt" met.
void scanatoms(int64_t remaining, int depth);

// The console driver: the dialogue with the user and the processing of each
// dropped target.
#pragma once

// Paths, the dropped one and each target's, fit in this many bytes with
// their terminating zero; a longer one is refused.
constexpr int pathbuffersize = 4096;

// Runs the whole dialogue for the command line; always answers 0.
int quadrel(int argc, char **argv);

// Processes one target: probe, rewrite, extension repair. path names the
// file; echo begins its report line.
void fixmovie(const char *path, const char *echo);

// Prints a message and makes it visible at once.
void say(const char *format, ...) __attribute__((format(printf, 1, 2)));

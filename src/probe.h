// Recognising a QuickTime movie by its signature.
#pragma once

// Answers of isqtfile.
constexpr int qtaccepted = 0;
constexpr int qtrefused = 2;
constexpr int qtunreadable = 4;

// Looks at the first atom's type (bytes 4 to 7, against qttypes) and for a
// JFIF mark (bytes 6 to 9) of the file open for reading on fd, which must
// stand at its start. Always closes fd.
int isqtfile(int fd);

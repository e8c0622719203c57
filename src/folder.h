// Folder mode: every entry directly inside a dropped folder is a target.
#pragma once

#include <cstdint>

// The names a folder listing gave, one owned copy per slot in listing order
// (an empty slot where no copy could be had). They live until exit.
extern char **filelist;

// Lists folder into filelist; answers the number of slots filled, the self
// and parent entries included, or 0 when the listing failed.
int64_t getfile(const char *folder);

// Runs fixmovie on every listed entry after the first two slots, each under
// its bare name.
void folderloop(const char *folder, int64_t count);

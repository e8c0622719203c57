#include "folder.h"

#include "console.h"
#include "platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

char **filelist = nullptr;

namespace {

int64_t filelistsize = 0; // slots the table has room for

// Stores a copy of name in slot, growing the table as needed. Answers false
// when the table itself cannot grow, so the entry has no slot at all.
bool store(int64_t slot, const char *name) {
    if (slot == filelistsize) {
        int64_t size = filelistsize == 0 ? 1024 : filelistsize * 2;
        void *grown = realloc(filelist, static_cast<size_t>(size) * sizeof *filelist);
        if (grown == nullptr) {
            say("Allocation of filename buffer in getfile failed\n");
            return false;
        }
        filelist = static_cast<char **>(grown);
        filelistsize = size;
    }
    filelist[slot] = strdup(name);
    if (filelist[slot] == nullptr) {
        say("Allocation of filename buffer in getfile failed\n");
    }
    return true;
}

} // namespace

int64_t getfile(const char *folder) {
    char pattern[pathbuffersize + 8];
    if (listpattern(pattern, sizeof pattern, folder) != 0) {
        return 0;
    }
    const char *name = nullptr;
    listhandle listing = listbegin(pattern, &name);
    if (listing == listinvalid) {
        return 0;
    }
    int64_t count = 0;
    do {
        if (store(count, name)) {
            count++;
        }
    } while (listnext(listing, &name));
    uint32_t status = listerror();
    listend(listing);
    return status == listnomorefiles ? count : 0;
}

void folderloop(const char *folder, int64_t count) {
    char path[pathbuffersize];
    for (int64_t slot = 2; slot < count; slot++) {
        const char *name = filelist[slot];
        if (name == nullptr) {
            continue;
        }
        int n = snprintf(path, sizeof path, "%s%s%s", folder, folderseparator, name);
        if (n < 0 || n >= static_cast<int>(sizeof path)) {
            say("%s -- not a Quicktime\n", name);
            continue;
        }
        fixmovie(path, name);
    }
}

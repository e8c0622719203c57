// The platform layer: everything the program needs from the operating system,
// in one place. The rest of the program never looks past this header.
// Two implementations: platform_posix.cpp and platform_win32.cpp.
#pragma once

#include <cstdint>

// File attributes of a path. A path whose attributes cannot be read gets
// fileattrinvalid, which has every bit set, the directory bit included.
constexpr uint32_t fileattrdirectory = 0x10;
constexpr uint32_t fileattrinvalid = 0xFFFFFFFFu;
uint32_t fileattributes(const char *path);

// Descriptor-level file access, binary mode. Both opens refuse anything that
// is not a regular file (a folder, a named pipe, a device), so no target can
// block the run or be read without end. Neither creates nor truncates.
// Each returns a descriptor, or -1.
int fileopenread(const char *path);
int fileopenupdate(const char *path);
// Byte count, 0 at the end of the file, -1 on failure.
int64_t fileread(int fd, void *buf, int64_t count);
int64_t filewrite(int fd, const void *buf, int64_t count);
// New position, or -1 when the seek was refused (the position is then
// unchanged).
constexpr int seekfromstart = 0;
constexpr int seekfromcurrent = 1;
int64_t fileseek(int fd, int64_t offset, int whence);
int fileclose(int fd);

// Renames from to to, never replacing an existing file.
constexpr int renamedone = 0;
constexpr int renameexists = 1;
constexpr int renamefailed = 2;
int renamenoreplace(const char *from, const char *to);

// Folder enumeration. listpattern writes the pattern that lists folder into
// buf (returns 0, or -1 when it does not fit). listbegin returns a listing
// handle and the first entry's name, or listinvalid. The name stays valid
// until the next call on the same listing. After listnext answers 0,
// listerror tells why: listnomorefiles when the listing is complete.
// Every listing begins with the folder's self and parent entries.
using listhandle = void *;
constexpr listhandle listinvalid = nullptr;
extern const char folderseparator[];
extern const uint32_t listnomorefiles;
int listpattern(char *buf, int64_t size, const char *folder);
listhandle listbegin(const char *pattern, const char **name);
int listnext(listhandle h, const char **name);
uint32_t listerror();
void listend(listhandle h);

// Prepares the console (on Windows: UTF-8 output).
void consolesetup();

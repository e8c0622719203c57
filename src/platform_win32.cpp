// Windows implementation of the platform layer, on the Win32 API and the C
// runtime's descriptor-level calls.
#include "platform.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

uint32_t fileattributes(const char *path) {
    // INVALID_FILE_ATTRIBUTES has every bit set, FILE_ATTRIBUTE_DIRECTORY
    // included, as fileattrinvalid and fileattrdirectory say.
    static_assert(INVALID_FILE_ATTRIBUTES == fileattrinvalid, "invalid attributes");
    static_assert(FILE_ATTRIBUTE_DIRECTORY == fileattrdirectory, "directory bit");
    return GetFileAttributesA(path);
}

// Opens with the C runtime, then keeps the descriptor only if it names a
// regular disk file: a folder cannot be opened this way at all, and a device
// (CON, NUL, COM1) or a pipe is refused before anything is read from it.
static int openregular(const char *path, int flags) {
    int fd = _open(path, flags | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        return -1;
    }
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    FILE_STANDARD_INFO info;
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) ||
        info.Directory) {
        _close(fd);
        return -1;
    }
    return fd;
}

int fileopenread(const char *path) {
    return openregular(path, _O_RDONLY);
}

int fileopenupdate(const char *path) {
    return openregular(path, _O_RDWR);
}

// The C runtime counts in unsigned int and answers in int: larger requests
// are made in parts of at most this many bytes, which the callers take as a
// short read or write.
constexpr int64_t largestpart = 0x40000000;

int64_t fileread(int fd, void *buf, int64_t count) {
    return _read(fd, buf, static_cast<unsigned>(count < largestpart ? count : largestpart));
}

int64_t filewrite(int fd, const void *buf, int64_t count) {
    return _write(fd, buf, static_cast<unsigned>(count < largestpart ? count : largestpart));
}

int64_t fileseek(int fd, int64_t offset, int whence) {
    return _lseeki64(fd, offset, whence == seekfromstart ? SEEK_SET : SEEK_CUR);
}

int fileclose(int fd) {
    return _close(fd);
}

int renamenoreplace(const char *from, const char *to) {
    // Without MOVEFILE_REPLACE_EXISTING an existing target is never replaced.
    if (MoveFileExA(from, to, 0)) {
        return renamedone;
    }
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        return renameexists;
    }
    return renamefailed;
}

const char folderseparator[] = "\\";
const uint32_t listnomorefiles = ERROR_NO_MORE_FILES;

int listpattern(char *buf, int64_t size, const char *folder) {
    int n = snprintf(buf, static_cast<size_t>(size), "%s\\*", folder);
    return n >= 0 && n < size ? 0 : -1;
}

// A listing: the search handle and the entry last found. Windows gives a
// folder's self and parent entries first, as the callers expect; a drive's
// root folder has neither, and there the callers still skip the first two
// slots, so its first two real entries are not processed.
struct win32listing {
    HANDLE find;
    WIN32_FIND_DATAA found;
};

static uint32_t lastlisterror = 0;

listhandle listbegin(const char *pattern, const char **name) {
    auto *l = static_cast<win32listing *>(malloc(sizeof(win32listing)));
    if (l == nullptr) {
        lastlisterror = ERROR_NOT_ENOUGH_MEMORY;
        return listinvalid;
    }
    l->find = FindFirstFileA(pattern, &l->found);
    if (l->find == INVALID_HANDLE_VALUE) {
        lastlisterror = GetLastError();
        free(l);
        return listinvalid;
    }
    *name = l->found.cFileName;
    return l;
}

int listnext(listhandle h, const char **name) {
    auto *l = static_cast<win32listing *>(h);
    if (!FindNextFileA(l->find, &l->found)) {
        // Read at once, before any other call can change it.
        lastlisterror = GetLastError();
        return 0;
    }
    *name = l->found.cFileName;
    return 1;
}

uint32_t listerror() {
    return lastlisterror;
}

void listend(listhandle h) {
    auto *l = static_cast<win32listing *>(h);
    FindClose(l->find);
    free(l);
}

void consolesetup() {
    // Names are UTF-8 (the manifest makes it the process code page), and are
    // shown as they are.
    SetConsoleOutputCP(CP_UTF8);
}

// POSIX implementation of the platform layer.
#include "platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

uint32_t fileattributes(const char *path) {
    struct stat st;
    if (stat(path, &st) != 0) {
        return fileattrinvalid;
    }
    return S_ISDIR(st.st_mode) ? fileattrdirectory : 0x80u;
}

// Opens without blocking (a named pipe with no writer would otherwise wait
// forever), then keeps the descriptor only if it names a regular file.
static int openregular(const char *path, int flags) {
    int fd;
    do {
        fd = open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return -1;
    }
    struct stat st;
    int fl = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fl < 0 ||
        fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int fileopenread(const char *path) {
    return openregular(path, O_RDONLY);
}

int fileopenupdate(const char *path) {
    return openregular(path, O_RDWR);
}

int64_t fileread(int fd, void *buf, int64_t count) {
    ssize_t r;
    do {
        r = read(fd, buf, static_cast<size_t>(count));
    } while (r < 0 && errno == EINTR);
    return r;
}

int64_t filewrite(int fd, const void *buf, int64_t count) {
    ssize_t r;
    do {
        r = write(fd, buf, static_cast<size_t>(count));
    } while (r < 0 && errno == EINTR);
    return r;
}

int64_t fileseek(int fd, int64_t offset, int whence) {
    static_assert(sizeof(off_t) == 8, "64-bit file offsets are required");
    off_t r = lseek(fd, static_cast<off_t>(offset), whence == seekfromstart ? SEEK_SET : SEEK_CUR);
    return r;
}

int fileclose(int fd) {
    return close(fd);
}

int renamenoreplace(const char *from, const char *to) {
#ifdef __linux__
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return renamedone;
    }
    if (errno == EEXIST) {
        return renameexists;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return renamefailed;
    }
#endif
    // Without an atomic no-replace rename: a hard link fails on an existing
    // name, and the old name is then removed.
    if (link(from, to) == 0) {
        if (unlink(from) == 0) {
            return renamedone;
        }
        unlink(to);
        return renamefailed;
    }
    if (errno == EEXIST) {
        return renameexists;
    }
    // Some file systems have no hard links: look first, then rename.
    struct stat st;
    if (lstat(to, &st) == 0) {
        return renameexists;
    }
    return rename(from, to) == 0 ? renamedone : renamefailed;
}

const char folderseparator[] = "/";
const uint32_t listnomorefiles = 18;

int listpattern(char *buf, int64_t size, const char *folder) {
    int n = snprintf(buf, static_cast<size_t>(size), "%s/*", folder);
    return n >= 0 && n < size ? 0 : -1;
}

// A listing: the open folder, and how many of the synthesized self and
// parent entries have been handed out.
struct posixlisting {
    DIR *dir;
    int given;
};

static uint32_t lastlisterror = 0;

listhandle listbegin(const char *pattern, const char **name) {
    // The pattern is the folder followed by "/*".
    size_t len = strlen(pattern);
    if (len < 2 || strcmp(pattern + len - 2, "/*") != 0) {
        lastlisterror = EINVAL;
        return listinvalid;
    }
    char *folder = strdup(pattern);
    if (folder == nullptr) {
        lastlisterror = ENOMEM;
        return listinvalid;
    }
    folder[len - 1] = '\0'; // keep the slash: "" + "/*" lists "/"
    DIR *dir = opendir(folder);
    free(folder);
    if (dir == nullptr) {
        lastlisterror = static_cast<uint32_t>(errno);
        return listinvalid;
    }
    auto *l = static_cast<posixlisting *>(malloc(sizeof(posixlisting)));
    if (l == nullptr) {
        closedir(dir);
        lastlisterror = ENOMEM;
        return listinvalid;
    }
    l->dir = dir;
    l->given = 1;
    *name = ".";
    return l;
}

int listnext(listhandle h, const char **name) {
    auto *l = static_cast<posixlisting *>(h);
    if (l->given == 1) {
        l->given = 2;
        *name = "..";
        return 1;
    }
    for (;;) {
        errno = 0;
        struct dirent *e = readdir(l->dir);
        if (e == nullptr) {
            lastlisterror = errno == 0 ? listnomorefiles : static_cast<uint32_t>(errno);
            return 0;
        }
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
            *name = e->d_name;
            return 1;
        }
    }
}

uint32_t listerror() {
    return lastlisterror;
}

void listend(listhandle h) {
    auto *l = static_cast<posixlisting *>(h);
    closedir(l->dir);
    free(l);
}

void consolesetup() {}

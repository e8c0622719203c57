#include "harness.h"

#include "checkrewrite.h"
#include "platform.h"
#include "probe.h"
#include "walk.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string moviepath; // the scratch movie, rewritten for every input
int capturefd = -1;    // where the walk's standard output goes

// A file of this process in the fastest temporary folder there is, removed
// at exit.
int scratchfile(std::string *path) {
    const char *dirs[] = {getenv("TMPDIR"), "/dev/shm", "/tmp"};
    for (const char *dir : dirs) {
        if (dir == nullptr || *dir == '\0') {
            continue;
        }
        std::string name = std::string(dir) + "/quadrel-fuzz-XXXXXX";
        int fd = mkstemp(name.data());
        if (fd >= 0) {
            *path = name;
            return fd;
        }
    }
    fprintf(stderr, "cannot create a scratch file\n");
    abort();
}

std::string outputpath;

void removescratch() {
    unlink(moviepath.c_str());
    unlink(outputpath.c_str());
}

void setup() {
    if (capturefd >= 0) {
        return;
    }
    close(scratchfile(&moviepath));
    capturefd = scratchfile(&outputpath);
    atexit(removescratch);
}

bool writewhole(const std::string &path, const std::string &content) {
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < content.size()) {
        ssize_t w = write(fd, content.data() + done, content.size() - done);
        if (w <= 0) {
            close(fd);
            return false;
        }
        done += size_t(w);
    }
    return close(fd) == 0;
}

bool readwhole(int fd, std::string *content) {
    content->clear();
    if (lseek(fd, 0, SEEK_SET) != 0) {
        return false;
    }
    char buf[65536];
    ssize_t r;
    while ((r = read(fd, buf, sizeof buf)) > 0) {
        content->append(buf, size_t(r));
    }
    return r == 0;
}

// The probe and the walk as the program runs them on one file, with
// standard output sent to the capture file. Answers false when the probe
// refused the file or it could not be opened for update.
bool probeandwalk(const char *path) {
    int fd = fileopenread(path);
    if (fd < 0 || isqtfile(fd) != qtaccepted) {
        return false;
    }
    moviefd = fileopenupdate(path);
    if (moviefd < 0) {
        return false;
    }
    if (ftruncate(capturefd, 0) != 0 || lseek(capturefd, 0, SEEK_SET) != 0) {
        abort();
    }
    fflush(stdout);
    int saved = dup(1);
    if (saved < 0 || dup2(capturefd, 1) < 0) {
        abort();
    }
    scanmovie();
    fflush(stdout);
    if (dup2(saved, 1) < 0) {
        abort();
    }
    close(saved);
    fileclose(moviefd);
    moviefd = -1;
    return true;
}

// One file through the probe and the walk, and the check.
std::string runone(const std::string &file) {
    if (!writewhole(moviepath, file)) {
        return "cannot write the scratch movie " + moviepath;
    }
    // Kept from run to run, so that long files cost no fresh memory.
    static std::string output, after;
    output.clear();
    bool walked = probeandwalk(moviepath.c_str());
    if (walked && !readwhole(capturefd, &output)) {
        return "cannot read back what the walk printed";
    }
    int fd = open(moviepath.c_str(), O_RDONLY | O_CLOEXEC);
    bool read = fd >= 0 && readwhole(fd, &after);
    if (fd >= 0) {
        close(fd);
    }
    if (!read) {
        return "cannot read back the scratch movie";
    }
    return checkrewrite::check(file, after, output, true);
}

} // namespace

std::string runandcheck(const std::string &input) {
    setup();
    std::string why = runone(input);
    if (!why.empty() || input.empty()) {
        return why;
    }
    // The walk reads through a block of 64 KiB. The same input, put after
    // a top-level "free" atom that ends 0 to 255 bytes before the block's
    // end, has its atoms straddle the block's edge. The distance comes from
    // a hash of the whole input, so that each input has its own, and every
    // small change of an input tries another.
    uint32_t hash = 2166136261u;
    for (char c : input) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    int64_t edge = 65536 - int64_t(hash % 256);
    static std::string placed;
    placed.assign(size_t(edge), '\0');
    placed.replace(
        0, 8,
        {char(edge >> 24), char(edge >> 16), char(edge >> 8), char(edge), 'f', 'r', 'e', 'e'});
    placed += input;
    why = runone(placed);
    return why.empty() ? "" : "placed at " + std::to_string(edge) + ": " + why;
}

#include "console.h"

#include "folder.h"
#include "platform.h"
#include "probe.h"
#include "walk.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

void note() {
    say("Note: to playback or author DVCPROHD/DVCPRO50 Quicktimes, install\n");
    say("      Mordane Decoder or Stellion, then run QT Player,\n");
    say("      or your favorite QT-capable authoring software such as\n");
    say("      Corvane Pallix or Corvane Orvessa. Visit https://quadrel.example for more "
        "info\n\n");
}

// Reads and discards one whole line, however long; returns at once at the
// end of input.
void readline() {
    int c;
    do {
        c = getchar();
    } while (c != EOF && c != '\n');
}

// Appends ".mov" to path, never replacing an existing file. The command line
// is shown as the user knows it, but the rename is made here: no name ever
// reaches a command interpreter.
void repairextension(const char *path) {
    char command[2 * pathbuffersize + 32];
    char target[pathbuffersize + 4];
    snprintf(command, sizeof command, "rename \"%s\" \"%s.mov\"", path, path);
    say("%s\n", command);
    snprintf(target, sizeof target, "%s.mov", path);
    int r = renamenoreplace(path, target);
    if (r == renameexists) {
        say("COULD NOT RENAME: \"%s\" ALREADY EXISTS\n", target);
    } else if (r != renamedone) {
        say("COULD NOT RENAME \"%s\"\n", path);
    }
}

} // namespace

void say(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
}

void fixmovie(const char *path, const char *echo) {
    say("%s ", echo);
    int fd = strlen(path) < pathbuffersize ? fileopenread(path) : -1;
    if (fd < 0 || isqtfile(fd) != qtaccepted) {
        say("-- not a Quicktime\n");
        return;
    }
    say("-- This is a quicktime\n");
    moviefd = fileopenupdate(path);
    if (moviefd < 0) {
        say("\nCOULD NOT OPEN MOVIE FILE FOR WRITE\nCHECK FOR READ-ONLY FILE\n\n");
    } else {
        scanmovie();
        fileclose(moviefd);
        moviefd = -1;
    }
    if (strstr(path, ".mov") == nullptr) {
        repairextension(path);
    }
}

int quadrel(int argc, char **argv) {
    consolesetup();
    if (argc < 2) {
        say("To use Quadrel, drag the application to your desktop, \n");
        say("then drag and drop a quicktime file or folder of files\n");
        say("into the application.\n\n");
        note();
        say("No file or folder dropped in.  Press any Enter to exit. ");
        readline();
        return 0;
    }
    const char *dropped = argv[1];
    bool folder = (fileattributes(dropped) & fileattrdirectory) != 0;
    int64_t count = folder ? getfile(dropped) : 0;

    say("you cannot undo this change. close this window to abort.\n\n");
    note();
    say("You dropped %s into Quadrel,\n", dropped);
    if (folder) {
        say("every QT file contained in this folder will be modified,\nplease hit enter:");
    } else {
        say("only that QT file will be modified, please hit enter:");
    }
    readline();

    if (folder) {
        folderloop(dropped, count);
    } else {
        fixmovie(dropped, dropped);
    }
    say("\nNormal termination. Press enter key to exit. ");
    readline();
    return 0;
}

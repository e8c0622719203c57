#include "endtoend.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

const std::string note =
    "Note: to playback or author DVCPROHD/DVCPRO50 Quicktimes, install\n"
    "      Mordane Decoder or Stellion, then run QT Player,\n"
    "      or your favorite QT-capable authoring software such as\n"
    "      Corvane Pallix or Corvane Orvessa. Visit https://quadrel.example for more info\n\n";

const std::string usage = "To use Quadrel, drag the application to your desktop, \n"
                          "then drag and drop a quicktime file or folder of files\n"
                          "into the application.\n\n" +
                          note + "No file or folder dropped in.  Press any Enter to exit. ";

const std::string finalmessage = "\nNormal termination. Press enter key to exit. ";

std::string banner(const std::string &dropped, bool folder) {
    return "you cannot undo this change. close this window to abort.\n\n" + note + "You dropped " +
           dropped + " into Quadrel,\n" +
           (folder ? "every QT file contained in this folder will be modified,\nplease hit enter:"
                   : "only that QT file will be modified, please hit enter:");
}

bool windowsrun() {
    const char *runner = getenv("QUADREL_RUNNER");
    return runner != nullptr && *runner != '\0';
}

std::string entryseparator() {
    return windowsrun() ? "\\" : "/";
}

int shell(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string capture(const std::string &command) {
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    pclose(p);
    return out;
}

namespace {

// Appends what was read from fd, without carriage returns; false at its end.
bool readsome(int fd, std::string &output) {
    char buf[65536];
    ssize_t r = read(fd, buf, sizeof buf);
    for (ssize_t i = 0; i < r; i++) {
        if (buf[i] != '\r') {
            output += buf[i];
        }
    }
    return r > 0;
}

// Starts the program; when prompt is not empty, waits until it has printed
// it and calls atprompt; then sends input and reads everything to the end.
ran run(const std::vector<std::string> &args, const std::string &cwd, const std::string &prompt,
        const std::function<void()> &atprompt, const std::string &input) {
    std::vector<std::string> argv;
    if (const char *runner = getenv("QUADREL_RUNNER"); runner != nullptr && *runner != '\0') {
        argv.push_back(runner);
    }
    const char *program = getenv("QUADREL_PROGRAM");
    argv.push_back(program != nullptr && *program != '\0' ? program : QUADREL_PROGRAM);
    argv.insert(argv.end(), args.begin(), args.end());

    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        return {"pipe failed", -1, 0};
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        std::vector<char *> v;
        for (std::string &a : argv) {
            v.push_back(a.data());
        }
        v.push_back(nullptr);
        alarm(60);
        execvp(v[0], v.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    signal(SIGPIPE, SIG_IGN);
    std::string output;
    if (!prompt.empty()) {
        while (output.find(prompt) == std::string::npos && readsome(out[0], output)) {
        }
        atprompt();
    }
    size_t written = 0;
    while (written < input.size()) {
        ssize_t w = write(in[1], input.data() + written, input.size() - written);
        if (w <= 0) {
            break;
        }
        written += size_t(w);
    }
    close(in[1]);
    while (readsome(out[0], output)) {
    }
    close(out[0]);
    int status = 0;
    struct rusage used {};
    wait4(pid, &status, 0, &used);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1, used.ru_maxrss};
}

} // namespace

// The program prints before it does anything else, so a run through a
// runner that failed and printed nothing never reached it: wine, very rarely,
// fails to start a process. Such a run is made once more.
static bool runnerfailed(const ran &r) {
    return r.status != 0 && r.output.empty() && windowsrun();
}

ran runquadrel(const std::vector<std::string> &args, const std::string &input,
               const std::string &cwd) {
    ran r = run(args, cwd, "", nullptr, input);
    if (runnerfailed(r)) {
        fprintf(stderr, "the runner failed to start the program; running it once more\n");
        r = run(args, cwd, "", nullptr, input);
    }
    return r;
}

ran runquadrelatprompt(const std::vector<std::string> &args, const std::string &prompt,
                       const std::function<void()> &atprompt, const std::string &input) {
    return run(args, "", prompt, atprompt, input);
}

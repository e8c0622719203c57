// Running the built program as a user would, and the texts it shows.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ran {
    std::string output; // standard output, carriage returns removed
    int status;         // exit status, or -1 when it did not exit normally
    long maxrsskib;     // peak resident memory
};

// Runs the program with args, input on its standard input (closed after it),
// in folder cwd when given. The program is QUADREL_PROGRAM from the
// environment or the one just built, started through QUADREL_RUNNER (such
// as wine) when that is set. A run that takes more than a minute is killed.
ran runquadrel(const std::vector<std::string> &args, const std::string &input = "",
               const std::string &cwd = "");

// Whether the runs target the Windows program (QUADREL_RUNNER is set, as
// wine), for the few cases where Windows differs: devices have other names,
// and there are no POSIX named pipes.
bool windowsrun();

// What the program puts between a dropped folder and an entry's name: a
// backslash on Windows, a slash elsewhere.
std::string entryseparator();

// Runs a shell command line; answers its exit status.
int shell(const std::string &command);

// Runs a shell command line; answers what it printed.
std::string capture(const std::string &command);

extern const std::string note;
extern const std::string usage;
extern const std::string finalmessage;
// Everything printed up to and including the prompt.
std::string banner(const std::string &dropped, bool folder);

// Like runquadrel, but waits until the program has printed prompt, then
// calls atprompt (which may change the files it is about to touch), and
// only then sends input. Gives up waiting when the program's output ends.
ran runquadrelatprompt(const std::vector<std::string> &args, const std::string &prompt,
                       const std::function<void()> &atprompt, const std::string &input);

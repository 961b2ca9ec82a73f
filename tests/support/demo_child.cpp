#include "tests/support/demo_child.h"

#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "app/deluge.h"

namespace {
int childFd = -1;
}

bool DemoRun::has(const std::string& line) const {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

std::vector<std::string> DemoRun::starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0) found.push_back(l);
    return found;
}

void childWrite(const std::string& line) {
    std::string text = line + "\n";
    if (childFd >= 0 && ::write(childFd, text.data(), text.size()) < 0) _exit(120);
}

DemoRun runDemoInChild(OffscreenScript script, void (*prepare)()) {
    DemoRun run;
    int fds[2];
    if (pipe(fds) != 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        childFd = fds[1];
        script.journalFd = fds[1];
        offscreenConfigure(script);
        if (prepare) prepare();
        runDeluge();
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    // Hook lines come first (written while running), then the journal and the report at the end.
    std::istringstream in(text);
    bool inReport = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "--- live objects") inReport = true;
        else if (inReport) run.liveObjects += line + "\n";
        else run.lines.push_back(line);
    }
    return run;
}

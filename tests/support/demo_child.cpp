#include "tests/support/demo_child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/deluge.h"

const char* const soundDoubleFile = SOUND_DOUBLE_FILE;
const char* const soundDoubleWithoutInitFile = SOUND_DOUBLE_WITHOUT_INIT_FILE;
const char* const soundDoubleWithoutCloseFile = SOUND_DOUBLE_WITHOUT_CLOSE_FILE;
const char* const soundLibraryFile = SOUND_LIBRARY_FILE;
const char* const moduleFile = MODULE_FILE;

namespace {
int childFd = -1;
const char* const soundLogName = "sound-calls.log";

// A fresh folder under the test's temporary folder, filled as asked; "" when it cannot be made.
std::string makeWorkingFolder(const WorkingFolder& folder) {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/deluge-run-XXXXXX";
    if (!mkdtemp(pattern.data())) return "";
    for (const FolderFile& file : folder.files) {
        std::filesystem::path target = std::filesystem::path(pattern) / file.name;
        std::error_code error;
        if (!file.copyOf.empty()) {
            std::filesystem::copy_file(file.copyOf, target, error);
        } else {
            std::ofstream out(target, std::ios::binary);
            out << file.text;
        }
    }
    return pattern;
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
}  // namespace

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

void noteInSoundLog(const std::string& line) {
    const char* path = std::getenv("FMOD_DOUBLE_LOG");
    if (!path) return;
    std::string text = line + "\n";
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (::write(fd, text.data(), text.size()) < 0) _exit(121);
    close(fd);
}

DemoRun runDemoInChild(OffscreenScript script, void (*prepare)(), const WorkingFolder& folder) {
    DemoRun run;
    std::string workingFolder = makeWorkingFolder(folder);
    if (workingFolder.empty()) return run;
    std::string soundLog = workingFolder + "/" + soundLogName;
    int fds[2];
    if (pipe(fds) != 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (chdir(workingFolder.c_str()) != 0) _exit(122);
        setenv("FMOD_DOUBLE_LOG", soundLog.c_str(), 1);
        for (const auto& [name, value] : folder.environment) setenv(name.c_str(), value.c_str(), 1);
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
    run.soundLog = readLines(soundLog);
    std::error_code error;
    std::filesystem::remove_all(workingFolder, error);

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

#pragma once
// Runs the whole demo (start-up, frame loop, shutdown) in a child process against the offscreen
// window back-end, since the run ends by ending its process. The child runs in a fresh working
// folder that holds what the test puts there: by default the recording double of the sound
// library as "fmod.dll" and no module.
#include <string>
#include <utility>
#include <vector>

#include "platform/window/window_offscreen.h"

// The test builds of the sound library: the recording double, whole and without one entry
// point, and the real library.
extern const char* const soundDoubleFile;
extern const char* const soundDoubleWithoutInitFile;
extern const char* const soundDoubleWithoutCloseFile;
extern const char* const soundLibraryFile;
extern const char* const moduleFile;  // the committed kv-deluge.it

// One file of the working folder: a copy of `copyOf`, or `text` when copyOf is empty.
struct FolderFile {
    std::string name;
    std::string copyOf;
    std::string text;
};

struct WorkingFolder {
    std::vector<FolderFile> files{{"fmod.dll", soundDoubleFile, ""}};
    // Set in the child before the run, for example to steer the double's answers.
    std::vector<std::pair<std::string, std::string>> environment;
};

struct DemoRun {
    int exitStatus = -1;             // -1 when the child did not exit normally
    std::vector<std::string> lines;  // the journal, then what the child's hooks wrote
    std::string liveObjects;         // the live-object report at the end ("" when clean)
    std::vector<std::string> soundLog;  // the double's log, with what noteInSoundLog added

    bool has(const std::string& line) const;
    // Lines that start with prefix, in order.
    std::vector<std::string> starting(const std::string& prefix) const;
};

// Before the run, `prepare` runs in the child (for example to inject a fault). A hook that the
// script sets may write lines with childWrite().
DemoRun runDemoInChild(OffscreenScript script, void (*prepare)() = nullptr, const WorkingFolder& folder = {});

// From inside the child: adds a line to what the parent receives.
void childWrite(const std::string& line);

// From inside the child: adds a line to the double's log, in order with its calls.
void noteInSoundLog(const std::string& line);

#pragma once
// The live-object table after each input must be as it was before the first one: an input that
// leaves a GDI or GDI+ object, a stream or a misuse behind is a finding.
#include <cstdio>

#include "fuzz/fuzz_check.h"
#include "platform/objects/object_table.h"

class ObjectTableBaseline {
public:
    void take() { baseline = liveObjectReport(); }
    void checkUnchanged() const {
        LiveObjectReport now = liveObjectReport();
        if (now.live == baseline.live && now.misuse == baseline.misuse) return;
        std::fprintf(stderr, "%s", formatLiveObjectReport(now).c_str());
        fuzzCheck(false, "the input leaves no object alive and misuses none");
    }

private:
    LiveObjectReport baseline;
};

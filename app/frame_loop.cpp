#include "app/frame_loop.h"

#include "app/frame_limiter.h"
#include "platform/window/window.h"
#include "render/frame_composition.h"
#include "render/render_surfaces.h"

uint16_t fps = 0;
std::string fpsLabel;

namespace {

constexpr int32_t targetFps = 30;
constexpr double labelPeriod = 0.99;  // the label is renewed when more than this has passed
constexpr COLORREF labelColor = 0x00F8F8F8;

double labelTime = 0;
HFONT labelFont = nullptr;
HGDIOBJ previousFont = nullptr;
RECT labelRect{2, 2, 30, 15};

// "07 fps", "30 fps", "123 fps".
void renewLabel() {
    char digits[16];
    windowFormatNumber(digits, sizeof digits, fps, "0#");
    fpsLabel = digits;
    fpsLabel += " fps";
}

}  // namespace

void createFpsLabel() {
    fpsLabel.clear();
    labelFont = CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Times New Roman");
    previousFont = SelectObject(FrameLayer.dc, labelFont);
    SetTextColor(FrameLayer.dc, labelColor);
    SetBkMode(FrameLayer.dc, TRANSPARENT);
    labelRect = RECT{2, 2, 30, 15};
}

void releaseFpsLabel() {
    SelectObject(FrameLayer.dc, previousFont);
    DeleteObject(labelFont);
}

void runFrameLoop() {
    labelTime = windowTimer();
    for (;;) {
        composeFrame();
        DrawTextA(FrameLayer.dc, fpsLabel.c_str(), -1, &labelRect, DT_SINGLELINE);
        present();
        if (windowTimer() - labelTime > labelPeriod) {
            renewLabel();
            labelTime = windowTimer();
        }
        windowSleep(nextSleepMs(targetFps, fps));
        // The key is used up; nothing else reads it.
        if (windowPollKey().length != 0) return;
    }
}

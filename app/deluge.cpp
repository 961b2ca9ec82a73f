#include "app/deluge.h"

#include <string>

#include "app/display_mode.h"
#include "app/frame_loop.h"
#include "music/music_player.h"
#include "picture/picture_layer.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/win32/win32.h"
#include "platform/window/window.h"
#include "render/frame_composition.h"
#include "render/glyph_atlas.h"
#include "render/rain_streams.h"
#include "render/render_surfaces.h"

namespace {

constexpr UINT questionType = MB_YESNO | MB_ICONQUESTION | MB_TOPMOST;  // 0x40024
constexpr uint32_t openFlags = windowNoSwitching | windowHighPriority;  // 0x84, added to modeFlags

bool fullScreen = false;
uint32_t modeFlags = 0;
ULONG_PTR gdiplusToken = 0;
HWND windowHandle = nullptr;
std::string windowTitle = "The DELUGE v1.42 by QAX";

void startGdiplus() {
    GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    // Without GDI+ nothing can be drawn: the run ends before any window opens.
    if (GdiplusStartup(&gdiplusToken, &input, nullptr) != Ok) windowEnd(0);
}

void startUp() {
    bindMusicLibrary();
    fullScreen = MessageBoxA(nullptr, "Run in fullscreen mode?", "Question", questionType) == IDYES;
    int32_t desktopWidth = 0, desktopHeight = 0;
    windowDesktopSize(&desktopWidth, &desktopHeight);
    DisplayMode mode = chooseDisplayMode(fullScreen, desktopWidth, desktopHeight);
    WindowSize = mode.window;
    RenderSize = mode.render;
    modeFlags = mode.modeFlags;
    startGdiplus();
    startMusic();
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    initGlyphMetrics();
    windowSelectBackend("GDI");
    windowOpen(WindowSize.width, WindowSize.height, 32, 1, modeFlags | openFlags, 0);
    windowSetTitle(windowTitle.c_str());
    windowHandle = windowNativeHandle();
    initGlyphRectangles();
    createRenderSurfaces(windowHandle);
    createGlyphResources();
    createFpsLabel();
    buildPictureLayer();
    initStreams();
    clearTrailLayer();
    buildGlyphAtlas();
    initFrameCounter();
    // The pointer goes to the top-left corner and is hidden; −1 leaves its confinement alone.
    if (fullScreen) windowSetMousePointer(-1, -1, 0, -1);
}

void shutDown() {
    stopMusic();
    releaseLayer(TrailLayer);
    releaseFpsLabel();
    releaseLayer(FrameLayer);
    releaseLayer(PictureLayer);
    releaseWindowDc();
    releaseGlyphAtlas();
    GdiplusShutdown(gdiplusToken);
    windowSetMousePointer(-1, -1, 1, -1);
    unloadMusicLibrary();
    freeGlyphTables();
    freeStreamTable();
    fpsLabel.clear();
    fpsLabel.shrink_to_fit();
    windowTitle.clear();
    windowTitle.shrink_to_fit();
}

}  // namespace

void runDeluge() {
    startUp();
    runFrameLoop();
    shutDown();
    windowEnd(0);
}

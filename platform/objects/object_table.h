#pragma once
// The table of live GDI and GDI+ objects behind every handle this platform hands out.
//
// A handle is a slot number plus a generation, so a handle that was deleted (or never
// issued) is recognised instead of being dereferenced: such a call does nothing and is
// recorded as misuse. A null handle also does nothing, but is not misuse: callers rely on
// a failed creation leaving a null handle whose later use is harmless.
#include <cstdint>
#include <string>
#include <vector>

// GDI: DeviceContext, Bitmap, Font. COM: Stream. GDI+: the rest.
enum class ObjectKind : uint8_t {
    Free,
    DeviceContext,
    Bitmap,
    Font,
    Graphics,
    Brush,
    Image,
    ImageAttributes,
    FontFamily,
    GdiplusFont,
    StringFormat,
    Stream,
};

using ObjectHandle = uint64_t;

// Registers an object and returns its handle (never 0). `label` names the creating call.
ObjectHandle registerObject(ObjectKind kind, void* object, const char* label);

// Registers an object that lives for the whole process (a stock object): it is never
// reported as unreleased, and unregistering it leaves it in place and returns null.
ObjectHandle registerStockObject(ObjectKind kind, void* object, const char* label);
bool isStockObject(ObjectHandle handle);

// The kind of a live handle, or ObjectKind::Free for a null, dead or unknown one; records nothing.
ObjectKind kindOfObject(ObjectHandle handle);

// The object behind a handle of that kind, or null. A non-null handle that is dead or of
// another kind is recorded as misuse by `call`.
void* lookupObject(ObjectHandle handle, ObjectKind kind, const char* call);

// Removes the handle from the table and returns the object for the caller to free, or null
// (misuse is recorded as for lookupObject).
void* unregisterObject(ObjectHandle handle, ObjectKind kind, const char* call);

// Visits every live object of a kind (for example to free what GdiplusShutdown finds left).
void forEachLiveObject(ObjectKind kind, void (*visit)(ObjectHandle handle, void* object, void* context),
                       void* context);

// Records a misuse that the table cannot see by itself, such as deleting a device context
// that still holds a selected object.
void recordMisuse(const char* call, const std::string& what);

struct LiveObjectReport {
    std::vector<std::string> live;    // one line per object never released
    std::vector<std::string> misuse;  // one line per misuse, in order
    bool clean() const { return live.empty() && misuse.empty(); }
};

LiveObjectReport liveObjectReport();

// For tests that need the moment an object comes or goes relative to other events: called
// after each registration (created true, with the creating call's label) and each removal
// (with the releasing call). Null stops it.
void observeObjects(void (*observer)(bool created, const char* call));
std::string formatLiveObjectReport(const LiveObjectReport& report);

// Handles are opaque pointers to the callers; these convert between the two.
template <typename Pointer> Pointer handleCast(ObjectHandle handle) {
    return reinterpret_cast<Pointer>(static_cast<uintptr_t>(handle));
}
template <typename Pointer> ObjectHandle handleOf(Pointer pointer) {
    return static_cast<ObjectHandle>(reinterpret_cast<uintptr_t>(pointer));
}

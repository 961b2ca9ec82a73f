#include "platform/objects/object_table.h"

#include <cstdio>

namespace {

struct Slot {
    ObjectKind kind = ObjectKind::Free;
    uint32_t generation = 0;
    void* object = nullptr;
    const char* label = "";
    bool stock = false;
};

constexpr unsigned generationShift = 32;

struct Table {
    std::vector<Slot> slots;
    std::vector<uint32_t> freeSlots;
    std::vector<std::string> misuse;
};

void (*objectObserver)(bool created, const char* call) = nullptr;

Table& table() {
    static Table instance;
    return instance;
}

const char* kindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::DeviceContext: return "device context";
    case ObjectKind::Bitmap: return "bitmap";
    case ObjectKind::Font: return "font";
    case ObjectKind::Graphics: return "graphics";
    case ObjectKind::Brush: return "brush";
    case ObjectKind::Image: return "image";
    case ObjectKind::ImageAttributes: return "image attributes";
    case ObjectKind::FontFamily: return "font family";
    case ObjectKind::GdiplusFont: return "GDI+ font";
    case ObjectKind::StringFormat: return "string format";
    case ObjectKind::Stream: return "stream";
    case ObjectKind::Free: break;
    }
    return "dead handle";
}

Slot* slotOf(ObjectHandle handle, ObjectKind kind, const char* call) {
    if (handle == 0) return nullptr;
    Table& t = table();
    uint64_t index = (handle & 0xFFFFFFFFu) - 1;
    uint32_t generation = static_cast<uint32_t>(handle >> generationShift);
    if (index < t.slots.size()) {
        Slot& slot = t.slots[index];
        if (slot.generation == generation && slot.kind == kind) return &slot;
        if (slot.generation == generation && slot.kind != ObjectKind::Free) {
            recordMisuse(call, std::string("a ") + kindName(slot.kind) + " handle where a " + kindName(kind) +
                                   " was expected");
            return nullptr;
        }
    }
    recordMisuse(call, std::string("a dead or unknown ") + kindName(kind) + " handle");
    return nullptr;
}

}  // namespace

ObjectHandle registerStockObject(ObjectKind kind, void* object, const char* label) {
    ObjectHandle handle = registerObject(kind, object, label);
    table().slots[(handle & 0xFFFFFFFFu) - 1].stock = true;
    return handle;
}

bool isStockObject(ObjectHandle handle) {
    uint64_t index = (handle & 0xFFFFFFFFu) - 1;
    const Table& t = table();
    return handle != 0 && index < t.slots.size() && t.slots[index].stock &&
           t.slots[index].generation == static_cast<uint32_t>(handle >> generationShift);
}

ObjectKind kindOfObject(ObjectHandle handle) {
    uint64_t index = (handle & 0xFFFFFFFFu) - 1;
    const Table& t = table();
    if (handle == 0 || index >= t.slots.size()) return ObjectKind::Free;
    const Slot& slot = t.slots[index];
    return slot.generation == static_cast<uint32_t>(handle >> generationShift) ? slot.kind : ObjectKind::Free;
}

ObjectHandle registerObject(ObjectKind kind, void* object, const char* label) {
    Table& t = table();
    uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.back();
        t.freeSlots.pop_back();
    } else {
        index = static_cast<uint32_t>(t.slots.size());
        t.slots.emplace_back();
    }
    Slot& slot = t.slots[index];
    slot.generation += 1;
    slot.kind = kind;
    slot.object = object;
    slot.label = label;
    slot.stock = false;
    if (objectObserver) objectObserver(true, label);
    return (static_cast<ObjectHandle>(slot.generation) << generationShift) | (index + 1);
}

void* lookupObject(ObjectHandle handle, ObjectKind kind, const char* call) {
    Slot* slot = slotOf(handle, kind, call);
    return slot ? slot->object : nullptr;
}

void* unregisterObject(ObjectHandle handle, ObjectKind kind, const char* call) {
    Slot* slot = slotOf(handle, kind, call);
    if (!slot || slot->stock) return nullptr;
    void* object = slot->object;
    slot->kind = ObjectKind::Free;
    slot->object = nullptr;
    table().freeSlots.push_back(static_cast<uint32_t>(slot - table().slots.data()));
    if (objectObserver) objectObserver(false, call);
    return object;
}

void forEachLiveObject(ObjectKind kind, void (*visit)(ObjectHandle, void*, void*), void* context) {
    Table& t = table();
    for (size_t i = 0; i < t.slots.size(); ++i) {
        Slot slot = t.slots[i];  // a copy: the visitor may unregister it
        if (slot.kind != kind) continue;
        visit((static_cast<ObjectHandle>(slot.generation) << generationShift) | (i + 1), slot.object, context);
    }
}

void recordMisuse(const char* call, const std::string& what) {
    table().misuse.push_back(std::string(call) + ": " + what);
}

LiveObjectReport liveObjectReport() {
    LiveObjectReport report;
    for (const Slot& slot : table().slots) {
        if (slot.kind == ObjectKind::Free || slot.stock) continue;
        report.live.push_back(std::string(kindName(slot.kind)) + " from " + slot.label);
    }
    report.misuse = table().misuse;
    return report;
}

std::string formatLiveObjectReport(const LiveObjectReport& report) {
    std::string text;
    for (const std::string& line : report.live) text += "never released: " + line + "\n";
    for (const std::string& line : report.misuse) text += "misuse: " + line + "\n";
    return text;
}

void observeObjects(void (*observer)(bool created, const char* call)) { objectObserver = observer; }

#include "bench/process_counters.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include "common/com_object.h"
#include "common/win32.h"
#include "common/one_shot_timer.h"
#include "standins/messenger/standin_messenger.h"

namespace sonarel::bench {
namespace {

BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long long*>(count);
    return TRUE;
}

BOOL CALLBACK countOwnTopLevel(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<long long*>(count);
    EnumChildWindows(window, countChild, count);
    return TRUE;
}

// Top-level windows of this process with their children, and its
// message-only windows.
long long processWindows() {
    long long count = 0;
    EnumWindows(countOwnTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) ++count;
    }
    return count;
}

long long userObjects() { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); }
long long gdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

long long kernelHandles() {
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : 0;
}

long long privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)))
        return 0;
    return static_cast<long long>(counters.PrivateUsage);
}

// Handle values that name an open handle, found by asking for each one's
// flags. Handles are small multiples of 4, handed out lowest first, so the
// scan ends after a long run of values that name nothing.
long long openHandleValues() {
    long long count = 0;
    int misses = 0;
    for (ULONG_PTR value = 4; misses < 4096; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

// Entries in use in the process's GDI handle table, which the process
// environment block points to. The layout is the one this Wine uses (24
// bytes an entry, the object type at byte 14); the probe at start says
// whether it holds here.
long long gdiTableEntries() {
#if defined(_M_IX86) || defined(__i386__)
    auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    auto* table = *reinterpret_cast<const BYTE* const*>(peb + 0x94);
    if (!table) return 0;
    constexpr size_t entrySize = 24, typeOffset = 14, entries = 0x10000;
    long long count = 0;
    for (size_t i = 0; i < entries; ++i)
        if (table[i * entrySize + typeOffset] != 0) ++count;
    return count;
#else
    return 0;
#endif
}

// Committed private memory, summed over the address space.
long long committedPrivateBytes() {
    long long total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (char* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += static_cast<long long>(info.RegionSize);
        char* next = static_cast<char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

struct Probe {
    std::function<long long()> read;
    long long before = 0;
    explicit Probe(std::function<long long()> r) : read(std::move(r)), before(read()) {}
    bool movedBy(long long by) const { return read() - before >= by; }
};

bool windowCounts(const std::function<long long()>& read) {
    Probe probe(read);
    HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    bool moved = probe.movedBy(1);
    DestroyWindow(window);
    return moved;
}

bool gdiCounts(const std::function<long long()>& read) {
    Probe probe(read);
    HBRUSH brushes[4];
    for (auto& brush : brushes) brush = CreateSolidBrush(RGB(1, 2, 3));
    bool moved = probe.movedBy(4);
    for (auto brush : brushes) DeleteObject(brush);
    return moved;
}

bool handleCounts(const std::function<long long()>& read) {
    Probe probe(read);
    HANDLE events[4];
    for (auto& event : events) event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key);
    bool moved = probe.movedBy(5);
    if (key) RegCloseKey(key);
    for (auto event : events) CloseHandle(event);
    return moved;
}

bool registryKeyCounts(const std::function<long long()>& read) {
    Probe probe(read);
    HKEY raw = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &raw);
    UniqueRegKey key(raw);
    return probe.movedBy(1);
}

bool memoryCounts(const std::function<long long()>& read) {
    constexpr SIZE_T size = 8 << 20;
    Probe probe(read);
    void* block = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (block) memset(block, 1, size);
    bool moved = probe.movedBy(size);
    if (block) VirtualFree(block, 0, MEM_RELEASE);
    return moved;
}

}  // namespace

std::vector<Counter> processCounters() {
    std::vector<Counter> counters;
    auto add = [&](Counter counter, bool counts) {
        counter.counts = counts;
        counters.push_back(std::move(counter));
    };

    add({"windows", "EnumWindows + EnumChildWindows + message-only windows", processWindows}, windowCounts(processWindows));
    add({"USER objects", "GetGuiResources(GR_USEROBJECTS)", userObjects}, windowCounts(userObjects));
    add({"GDI objects", "GetGuiResources(GR_GDIOBJECTS)", gdiObjects}, gdiCounts(gdiObjects));
    add({"GDI objects, table", "entries in use in the GDI handle table", gdiTableEntries}, gdiCounts(gdiTableEntries));
    add({"pending one-shot timers", "the plug-in's own count of its one-shot timers",
         [] { return static_cast<long long>(pendingOneShots()); }},
        true);
    add({"kernel handles", "GetProcessHandleCount", kernelHandles}, handleCounts(kernelHandles));
    add({"kernel handles, scanned", "GetHandleInformation on each handle value", openHandleValues},
        handleCounts(openHandleValues));
    add({"registry keys open", "UniqueRegKey's own count", [] { return static_cast<long long>(openRegistryKeys()); }},
        registryKeyCounts([] { return static_cast<long long>(openRegistryKeys()); }));
    add({"COM objects, plug-in's", "liveObjectCount() less the stand-in's",
         [] { return static_cast<long long>(liveObjectCount() - standin::StandInMessenger::liveObjects()); }},
        true);
    add({"COM objects, stand-in's", "the stand-in messenger's own count",
         [] { return static_cast<long long>(standin::StandInMessenger::liveObjects()); }},
        true);
    add({"private bytes", "GetProcessMemoryInfo PrivateUsage", privateBytes, 512 << 10}, memoryCounts(privateBytes));
    add({"committed private memory", "VirtualQuery over the address space", committedPrivateBytes, 512 << 10},
        memoryCounts(committedPrivateBytes));
    return counters;
}

}  // namespace sonarel::bench

#pragma once
// How many GDI and USER objects, and kernel handles, this process holds: what the leak tests
// compare before and after. Where the system reports GDI and USER objects (GetGuiResources) they
// come from there; Wine reports 0, so there GDI objects are counted in the process's GDI handle
// table (the PEB points at it, laid out as on Windows; Wine leaves the owner 0, and icons show up
// there through their bitmaps), USER objects as the windows of this thread and kernel handles by
// probing the values handles take.
#include <windows.h>

#include <cstdint>
#include <string>

namespace quillon::test {

struct GuiCounts {
    long gdi = 0, user = 0, kernel = 0;
    std::string gdiTypes; // where the table is read: its entries by type
    std::string Text() const {
        return "gdi " + std::to_string(gdi) + " (" + gdiTypes + "), user " +
               std::to_string(user) + ", kernel " + std::to_string(kernel);
    }
};

namespace detail {

struct GdiHandleEntry {
    std::uint64_t object;
    std::uint16_t processId;
    std::uint16_t count;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24);

inline long GdiTableCount() {
#if defined(__x86_64__) || defined(_M_X64)
    const auto* peb = reinterpret_cast<const char*>(__readgsqword(0x60));
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0xF8);
    if (!table)
        return 0;
    const auto me = static_cast<std::uint16_t>(GetCurrentProcessId());
    long n = 0;
    for (int i = 0; i < 0x10000; ++i)
        n += table[i].type != 0 && (table[i].processId == me || table[i].processId == 0);
    return n;
#else
    return 0;
#endif
}

// The table's entries of this process by type ("type:count ..."), to tell what a leak is made of.
inline std::string GdiTableByType() {
#if defined(__x86_64__) || defined(_M_X64)
    const auto* peb = reinterpret_cast<const char*>(__readgsqword(0x60));
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0xF8);
    if (!table)
        return {};
    const auto me = static_cast<std::uint16_t>(GetCurrentProcessId());
    long byType[256] = {};
    for (int i = 0; i < 0x10000; ++i)
        if (table[i].type != 0 && (table[i].processId == me || table[i].processId == 0))
            ++byType[table[i].type];
    std::string text;
    for (int t = 0; t < 256; ++t)
        if (byType[t])
            text += std::to_string(t) + ":" + std::to_string(byType[t]) + " ";
    return text;
#else
    return {};
#endif
}

inline long ThreadWindowCount() {
    long n = 0;
    const auto countTree = [](HWND w, LPARAM p) -> BOOL {
        ++*reinterpret_cast<long*>(p);
        EnumChildWindows(
            w,
            [](HWND, LPARAM q) -> BOOL {
                ++*reinterpret_cast<long*>(q);
                return TRUE;
            },
            p);
        return TRUE;
    };
    EnumThreadWindows(GetCurrentThreadId(), countTree, reinterpret_cast<LPARAM>(&n));
    // Message-only windows are no top-level windows of the thread.
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId())
            countTree(w, reinterpret_cast<LPARAM>(&n));
    return n;
}

// Wine reports no handle count: the handle values it hands out are probed instead.
inline long ProbedHandleCount() {
    long n = 0;
    DWORD flags = 0;
    for (std::uintptr_t h = 4; h < 0x10000; h += 4)
        n += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) != FALSE;
    return n;
}

} // namespace detail

inline GuiCounts CountGuiResources() {
    GuiCounts c;
    const HANDLE self = GetCurrentProcess();
    c.gdi = static_cast<long>(GetGuiResources(self, GR_GDIOBJECTS));
    c.user = static_cast<long>(GetGuiResources(self, GR_USEROBJECTS));
    if (c.gdi == 0) {
        c.gdi = detail::GdiTableCount();
        c.gdiTypes = detail::GdiTableByType();
    }
    if (c.user == 0)
        c.user = detail::ThreadWindowCount();
    DWORD handles = 0;
    GetProcessHandleCount(self, &handles);
    c.kernel = handles ? static_cast<long>(handles) : detail::ProbedHandleCount();
    return c;
}

} // namespace quillon::test

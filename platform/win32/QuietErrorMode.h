#pragma once
#include <windows.h>

namespace quillon::platform {

// Switches the critical-error and open-file error boxes off for its lifetime, so that a drive
// without a medium fails at once instead of asking the user. The thread's own error mode leaves
// other threads alone; SetErrorMode is the process-wide fallback for systems without it.
class QuietErrorMode {
public:
    QuietErrorMode() {
        constexpr DWORD quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
        if (auto set = ThreadSetter()) {
            threadWide_ = set(quiet, &previous_) != 0;
            if (threadWide_)
                set(previous_ | quiet, nullptr);
        }
        if (!threadWide_) {
            previous_ = SetErrorMode(quiet);
            SetErrorMode(previous_ | quiet);
        }
    }
    ~QuietErrorMode() {
        if (threadWide_)
            ThreadSetter()(previous_, nullptr);
        else
            SetErrorMode(previous_);
    }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;

private:
    using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);
    static SetThreadErrorModeFn ThreadSetter() {
        static const auto fn = reinterpret_cast<SetThreadErrorModeFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadErrorMode")));
        return fn;
    }

    DWORD previous_ = 0;
    bool threadWide_ = false;
};

} // namespace quillon::platform

// quillon.exe: the window.
#include "platform/win32/ScopedWin.h"
#include "ui/MainDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // No system box for a drive without a disk while lists are looked up.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The shell's dialogs and the folder views need COM on this thread.
    quillon::win::ScopedComInit com;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    quillon::ui::MainOptions options;
    int argc = 0;
    if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        for (int i = 0; i < argc; ++i)
            options.args.emplace_back(argv[i]);
        LocalFree(argv);
    }
    quillon::ui::TFrmMain frame(instance, std::move(options));
    if (!frame.Create(showCommand))
        return 1;

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (frame.PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The folder command ends with 1 when a folder got no list or a list left files out.
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

#pragma once
// The real main window in this process, on a scratch settings key, with message boxes and the
// open dialog answered by the test.
#include "platform/FileReader.h"
#include "platform/Registry.h"
#include "tests/TempDir.h"
#include "ui/MainDlg.h"

#include "tests/win32/PumpMessages.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon::test {

// What the window asked of its taskbar button, as "state:N" and "progress:P".
class RecordingTaskbar final : public platform::TaskbarButton {
public:
    explicit RecordingTaskbar(std::vector<std::string>& calls) : calls_(calls) {}
    void SetState(State state) override {
        calls_.push_back("state:" + std::to_string(static_cast<int>(state)));
    }
    void SetProgress(int percent) override {
        calls_.push_back("progress:" + std::to_string(percent));
    }

private:
    std::vector<std::string>& calls_;
};

struct ShownBox {
    std::wstring text, caption;
    UINT type = 0;
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        static const bool controls = [] {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                     ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
            return InitCommonControlsEx(&icc) != FALSE;
        }();
        (void)controls;
        static int counter = 0;
        key = L"\\Software\\QuillonTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter);
    }
    ~MainWindowTest() override {
        platform::FileReader::SetReadFaultForTests(nullptr); // a failed test may leave one
        frame.reset();
        Pump(std::chrono::milliseconds(0));
        platform::Registry registry;
        registry.DeleteKey(key);
    }

    // Makes the window; args after the program's name as given.
    void Open(std::vector<std::wstring> args = {}) {
        ui::MainOptions options;
        options.args = {L"C:\\Program Files\\Quillon\\quillon.exe"};
        options.args.insert(options.args.end(), args.begin(), args.end());
        options.quitOnDestroy = false;
        options.settingsKey = key;
        options.classesKey = key.substr(1) + L"\\Classes";
        options.classesFallbackKey = key.substr(1) + L"\\Machine";
        options.messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption,
                                    UINT type) {
            boxes.push_back({text, caption, type});
            return answer;
        };
        options.openDialog = [this](HWND) { return chosen; };
        options.taskbar = [this](HWND) { return std::make_unique<RecordingTaskbar>(taskbar); };
        options.saveDialog = [this](HWND, const std::wstring& initialDir, int& filterIndex) {
            saveDialogDir = initialDir;
            if (saveFilter != 0)
                filterIndex = saveFilter;
            return saveAs;
        };
        options.reportDialog = [this](HWND, const std::wstring& initialDir) {
            reportDialogDirs.push_back(initialDir);
            return reportAs;
        };
        options.inputQuery = [this](HWND, const std::wstring& caption, const std::wstring& prompt,
                                    std::wstring& value) {
            boxes.push_back({prompt, caption, 0});
            if (!maskAnswer)
                return false;
            value = *maskAnswer;
            return true;
        };
        options.quit = [this](int code) { quitCode = code; };
        options.shellOpen = [this](const std::wstring& verb, const std::wstring& target) {
            opened.push_back(verb + L"|" + target);
        };
        frame = std::make_unique<ui::TFrmMain>(GetModuleHandleW(nullptr), std::move(options));
        ASSERT_TRUE(frame->Create(SW_SHOWNOACTIVATE));
    }

    // Runs the message loop until done() or the time is up; false when it was up.
    static bool PumpUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        return test::PumpUntil(done, limit);
    }
    static void Pump(std::chrono::milliseconds time) {
        PumpUntil([] { return false; }, time);
    }

    // The Open command with the files in `chosen`; runs the loop until they are read in.
    void OpenAndWait() {
        frame->bOpenClick();
        ASSERT_TRUE(PumpUntil([this] { return !frame->Loading(); }));
    }

    // Starts a check and runs the loop until it has ended.
    void CheckAndWait() {
        frame->bCheckClick();
        ASSERT_TRUE(PumpUntil([this] { return !frame->Model().CheckRunning(); }));
        Pump(std::chrono::milliseconds(50)); // the last flush
    }

    void WriteSetting(const wchar_t* name, DWORD value) {
        platform::Registry registry;
        ASSERT_TRUE(registry.OpenKey(key, true));
        registry.WriteInteger(name, static_cast<std::int32_t>(value));
    }

    bool ButtonEnabled(int index) const {
        TBBUTTON b{};
        SendMessageW(frame->Toolbar(), TB_GETBUTTON, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&b));
        return SendMessageW(frame->Toolbar(), TB_ISBUTTONENABLED, static_cast<WPARAM>(b.idCommand),
                            0) != 0;
    }
    static std::wstring Text(HWND window) {
        wchar_t buffer[512] = {};
        GetWindowTextW(window, buffer, 512);
        return buffer;
    }

    TempDir dir;
    std::wstring key;
    std::unique_ptr<ui::TFrmMain> frame;
    std::vector<ShownBox> boxes;
    int answer = IDYES;
    std::optional<std::vector<std::filesystem::path>> chosen;
    std::vector<std::string> taskbar;
    // The save dialog's answer and the filter the user picks there (0: leaves it).
    std::optional<std::filesystem::path> saveAs;
    int saveFilter = 0;
    std::wstring saveDialogDir;
    // Save Report's dialog: its answer and the folders it was opened in.
    std::optional<std::filesystem::path> reportAs;
    std::vector<std::wstring> reportDialogDirs;
    std::optional<std::wstring> maskAnswer; // Mask Select's prompt: nothing is Cancel
    int quitCode = -1;
    std::vector<std::wstring> opened; // "verb|address" asked of the shell
};

// Toolbar button indexes (separators count).
enum ToolIndex { kNew = 0, kOpen = 1, kCheck = 3, kAbort = 4, kDisplay = 6, kOptions = 7, kAbout = 9 };

} // namespace quillon::test

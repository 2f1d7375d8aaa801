// quillon-cli show / check: the verify mode of the window on the console.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleView.h"
#include "cli/Escape.h"
#include "core/Crc32.h"
#include "core/FileError.h"
#include "core/ListFile.h"
#include "platform/TextCodec.h"
#include "verify/CheckReport.h"
#include "verify/GuiDispatcher.h"
#include "verify/VerifyModel.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillon::cli {

namespace {

// The entries of a long list take a while to free one by one (some 40 ms of a million-entry
// show); the process ends right after its command and gives all its memory back at once. Kept
// where a leak checker still sees them.
void LeaveForTheExit(TItemList& items) {
    static auto* const left = new std::vector<TItemList>;
    left->push_back(std::move(items));
}

struct Options {
    bool porcelain = false;
    bool quiet = false;
    bool strict = false; // unlisted files fail the check too
    std::optional<std::string> report; // the CSV file to write after the check
    std::vector<std::string> lists;
};

constexpr const char* kShowUsage = "usage: quillon-cli show [--porcelain] LIST...\n";
constexpr const char* kCheckUsage =
    "usage: quillon-cli check [--porcelain] [--quiet] [--strict] [--report FILE.csv] LIST...\n";

bool ParseOptions(const Args& args, bool check, Options& options) {
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a == "--porcelain") {
            options.porcelain = true;
        } else if (!endOfOptions && check && a == "--quiet") {
            options.quiet = true;
        } else if (!endOfOptions && check && a == "--strict") {
            options.strict = true;
        } else if (!endOfOptions && check && a == "--report") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                Err("quillon-cli check: --report needs a file name\n");
                return false;
            }
            options.report = args[++i];
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            Err(std::string("quillon-cli ") + (check ? "check" : "show") + ": unknown option " + a +
                "\n");
            return false;
        } else {
            options.lists.push_back(a);
        }
    }
    return !options.lists.empty();
}

void AppendPath(std::string& out, const ViewText& path) {
#ifdef _WIN32
    out += TextFromPath(std::filesystem::path(path));
#else
    out += path; // already the bytes the terminal gets
#endif
}

// One line per entry. The line buffer is kept between entries: no allocation per line.
class EntryLines {
public:
    EntryLines(bool porcelain, bool quiet) : porcelain_(porcelain), quiet_(quiet) {}

    void Print(const TItemRec& e) {
        if (!porcelain_ && quiet_ && e.Status == StatusGood) return;
        line_.clear();
        const std::string_view status = StatusName(e.Status);
        line_ += status;
        // Names and checksums come from untrusted lists: a terminal must not receive their
        // control bytes as escape sequences, and a script must not be handed forged rows.
        if (porcelain_) {
            line_ += '\t';
            line_ += std::to_string(e.Size);
            line_ += '\t';
            std::size_t start = line_.size();
            line_ += ExpectedText(e); // UTF-8 on Windows since the load
            EscapeFieldFrom(line_, start);
            line_ += '\t';
            start = line_.size();
            AppendPath(line_, e.FileName);
            EscapeFieldFrom(line_, start);
            // Why the entry is Bad, on a row of its own: the entry rows keep their four fields.
            if (const std::string note = e.Note ? NoteText(*e.Note) : ""; !note.empty()) {
                line_ += kNewline;
                line_ += "note\t";
                start = line_.size();
                line_ += note;
                EscapeFieldFrom(line_, start);
                line_ += '\t';
                start = line_.size();
                AppendPath(line_, e.FileName);
                EscapeFieldFrom(line_, start);
            }
        } else {
            line_.append(status.size() < 10 ? 10 - status.size() : 1, ' ');
            const std::size_t start = line_.size();
            AppendPath(line_, e.FileName);
            if (const std::string note = e.Note ? NoteText(*e.Note) : ""; !note.empty())
                line_ += " (" + note + ")";
            MaskControlsFrom(line_, start);
        }
        line_ += kNewline;
        Out(line_);
    }

private:
    bool porcelain_;
    bool quiet_;
    std::string line_;
};

void PrintSummary(const VerifyModel& model, bool porcelain) {
    const auto& c = model.Counters;
    std::string text;
    if (porcelain) {
        text = "summary\t" + std::to_string(c.UncheckedCount) + "\t" +
               std::to_string(c.MissingCount) + "\t" + std::to_string(c.BadCount) + "\t" +
               std::to_string(c.GoodCount);
    } else {
        text = std::to_string(c.UncheckedCount) + " Unchecked, " + std::to_string(c.MissingCount) +
               " Missing, " + std::to_string(c.BadCount) + " Bad, " + std::to_string(c.GoodCount) +
               " Good";
    }
    text += kNewline;
    Out(text);
}

// The files no loaded list names, after the entries: "Unlisted  PATH", porcelain
// "unlisted<TAB>PATH".
void PrintUnlisted(const VerifyModel& model, bool porcelain) {
    std::string text;
    for (const ViewText& path : model.Unlisted) {
        text = porcelain ? "unlisted\t" : "Unlisted  ";
        const std::size_t start = text.size();
        AppendPath(text, path);
        if (porcelain)
            EscapeFieldFrom(text, start);
        else
            MaskControlsFrom(text, start);
        text += kNewline;
        Out(text);
    }
}

void PrintKind(bool porcelain) {
    if (porcelain)
        Out("kind\t" + std::string(KindInfo(LastListKind).name) + std::string(kNewline));
}

// Loads the lists together, as the window does. False (with the message out) when one cannot be
// opened. A check looks the sizes up itself before anything is printed.
bool Load(VerifyModel& model, const Options& options, bool forCheck) {
    for (const auto& l : options.lists) model.ListFiles.push_back(PathFromArg(l));
    std::vector<ListReport> reports;
    try {
        model.LoadListFiles(!forCheck, &reports);
        // A picture or a document opened as a list loads as rows of junk: say so, as the window
        // does; the rows stay and end Missing.
        for (std::size_t i = 0; i < reports.size(); ++i) {
            if (!reports[i].LooksLikeJunk())
                continue;
            std::string text = "quillon-cli: " + TextFromPath(model.ListFiles[i]) +
                               " does not look like a checksum list (" +
                               std::to_string(reports[i].notUnderstood) + " of " +
                               std::to_string(reports[i].entries) + " lines not understood)";
            MaskControlsFrom(text, 0);
            Err(text + "\n");
        }
    } catch (const FileError& e) {
        std::string text = std::string("quillon-cli: ") + e.MessageWithReason();
        MaskControlsFrom(text, 0);
        Err(text + "\n");
        return false;
    }
    return true;
}

int NoEntries() {
    Err("quillon-cli: no entries\n");
    return 1;
}

// Ctrl+C does what the Abort button does; a second one ends the process.
std::atomic<bool> g_interrupted{false};
// The abort flag of the check under way, for the handler.
std::atomic<std::atomic<bool>*> g_abort{nullptr};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free, "read in a signal handler");

void RequestAbort() {
    if (std::atomic<bool>* abort = g_abort.load())
        *abort = true;
}

#ifdef _WIN32
BOOL WINAPI OnConsoleBreak(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (g_interrupted.exchange(true)) return FALSE;
    RequestAbort();
    return TRUE;
}

class AbortOnBreak {
public:
    AbortOnBreak() { SetConsoleCtrlHandler(OnConsoleBreak, TRUE); }
    ~AbortOnBreak() { SetConsoleCtrlHandler(OnConsoleBreak, FALSE); }
    AbortOnBreak(const AbortOnBreak&) = delete;
    AbortOnBreak& operator=(const AbortOnBreak&) = delete;
};
#else
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
    RequestAbort();
}

class AbortOnBreak {
public:
    AbortOnBreak() {
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
        // A shell starts background jobs with SIGINT ignored; such a job must stay deaf to it.
        if (previous_.sa_handler == SIG_IGN) sigaction(SIGINT, &previous_, nullptr);
    }
    ~AbortOnBreak() { sigaction(SIGINT, &previous_, nullptr); }
    AbortOnBreak(const AbortOnBreak&) = delete;
    AbortOnBreak& operator=(const AbortOnBreak&) = delete;

private:
    struct sigaction previous_ {};
};
#endif

// Whether the report would be written over one of the lists it is about: a typo must not cost
// the user a list.
bool ReportReplacesAList(const Options& options) {
    const std::filesystem::path report = PathFromArg(*options.report);
    for (const auto& l : options.lists) {
        std::error_code ec;
        if (std::filesystem::equivalent(report, PathFromArg(l), ec)) {
            std::string text = "quillon-cli check: the report would replace the list " + l;
            MaskControlsFrom(text, 0);
            Err(text + "\n");
            return true;
        }
    }
    return false;
}

// Writes the report of every entry and the unlisted files; false (with the reason out) when it
// cannot.
bool WriteReport(const VerifyModel& model, const std::string& file) {
    try {
        SaveCheckReport(PathFromArg(file), model, ReportScope::All);
    } catch (const FileError& e) {
        std::string text = std::string("quillon-cli: ") + e.MessageWithReason();
        MaskControlsFrom(text, 0);
        Err(text + "\n");
        return false;
    }
    return true;
}

} // namespace

int RunShow(const Args& args) {
    Options options;
    if (!ParseOptions(args, false, options)) {
        Err(kShowUsage);
        return 2;
    }
    EntryLines lines(options.porcelain, false);
    ConsoleView view(false, [&lines](const TItemRec& e) { lines.Print(e); });
    RunState run(&view);
    DirectDispatcher dispatcher;
    VerifyModel model(view, run, dispatcher);
    if (!Load(model, options, false)) return 2;
    PrintKind(options.porcelain);
    view.ReportRemainingRows();
    PrintSummary(model, options.porcelain);
    const int status = model.ItemList.empty() ? NoEntries() : 0;
    LeaveForTheExit(model.ItemList);
    return status;
}

int RunCheck(const Args& args) {
    Options options;
    if (!ParseOptions(args, true, options)) {
        Err(kCheckUsage);
        return 2;
    }
    EntryLines lines(options.porcelain, options.quiet);
    g_interrupted = false;
    ConsoleView view(!options.quiet && StderrIsTerminal(),
                     [&lines](const TItemRec& e) { lines.Print(e); }, &g_interrupted);
    if (options.report && ReportReplacesAList(options))
        return 2;
    RunState run(&view);
    view.SetAbortFlag(&run.AbortRequested);
    DirectDispatcher dispatcher;
    VerifyModel model(view, run, dispatcher);
    if (!Load(model, options, true)) return 2;
    PrintKind(options.porcelain);
    if (model.ItemList.empty()) {
        PrintSummary(model, options.porcelain);
        const int status = NoEntries();
        return options.report && !WriteReport(model, *options.report) ? 2 : status;
    }
    {
        g_abort = &run.AbortRequested;
        AbortOnBreak abortOnBreak;
        model.StartCheck();
        model.WaitForCheck();
        g_abort = nullptr;
    }
    view.ReportRemainingRows();
    PrintUnlisted(model, options.porcelain);
    PrintSummary(model, options.porcelain);
    const bool aborted = run.AbortRequested;
    if (!options.porcelain && !aborted) Out(TextFromPath(view.TimeText()) + std::string(kNewline));
    if (aborted) Err("quillon-cli: aborted\n");
    // What was found stays printed; a report that cannot be kept is still a failure.
    if (options.report && !WriteReport(model, *options.report))
        return 2;

    // A check the user stopped did not prove the files, even when all it reached were Good.
    bool allGood = !aborted;
    for (const auto& e : model.ItemList)
        allGood = allGood && e->Status == StatusGood;
    LeaveForTheExit(model.ItemList);
    if (!allGood) return 1;
    return options.strict && !model.Unlisted.empty() ? 1 : 0;
}

} // namespace quillon::cli

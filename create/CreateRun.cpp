#include "create/CreateRun.h"

#include "core/FileDigest.h"
#include "core/ListFile.h"
#include "create/NewListText.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "util/EnhFunc.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace quillon {

namespace {

constexpr std::size_t kWarningNames = 20;

// One selected file, taken from the source before the first digest: the window handles its
// messages between blocks, and whatever they do to the file list must not reach this run.
struct PlannedFile {
    std::filesystem::path name;
    std::filesystem::path fullPath;
    bool inCodePage = false; // the name has an exact form in the code page
    // What its SFV comment line shows, looked up before its digest; none when the lookup failed
    // (the file then goes in without a comment line).
    std::optional<std::optional<platform::FileLookup>> lookup;
    std::string digest;                // set once the whole file was read
    std::optional<std::string> reason; // set when it is left out
};

std::vector<std::string> ListLinesOf(const std::vector<PlannedFile>& files, ListKind kind,
                                     const platform::LocalTime& now,
                                     platform::ListEncoding encoding) {
    std::vector<std::string> lines, entries;
    if (kind == ListKind::Sfv) {
        lines.push_back(SfvHeaderLine(now, encoding));
        lines.push_back(";");
    }
    bool markMode = false;
    for (const PlannedFile& f : files)
        markMode |= !f.reason && NameNeedsModeMark<ViewChar>(f.name.native());
    for (const PlannedFile& f : files) {
        if (f.reason)
            continue;
        const std::string name = platform::ExactListTextFromPath(f.name, encoding).value_or("");
        // A file left out loses its comment line too: the list says nothing of it.
        if (kind == ListKind::Sfv && f.lookup) {
            try {
                lines.push_back(*f.lookup ? FileInfoComment(**f.lookup, name, encoding) : ";");
            } catch (...) {
                // No date for it: the file goes in without its comment line.
            }
        }
        entries.push_back(EntryLine(kind, f.digest, name, markMode));
    }
    lines.insert(lines.end(), std::make_move_iterator(entries.begin()),
                 std::make_move_iterator(entries.end()));
    return lines;
}

std::string ReasonText(const platform::OsError& error) {
    return error.text.empty() ? std::string("cannot read the file") : error.text;
}

// Whether a selected file is the list being written (Select All in its folder picks the old list
// up): its entry would be Bad at the next check. The names are compared first, so that only a
// likely match costs the two lookups of the comparison of the files themselves.
bool IsListItself(const std::filesystem::path& file, const std::filesystem::path& listFile) {
    const auto a = file.filename().native(), b = listFile.filename().native();
    if (a.size() != b.size() || !std::equal(a.begin(), a.end(), b.begin(), [](auto x, auto y) {
            return platform::FileNamesIgnoreCase ? AsciiLower(x) == AsciiLower(y) : x == y;
        }))
        return false;
    std::error_code ec;
    return std::filesystem::equivalent(file, listFile, ec);
}

} // namespace

CreateOutcome CreateListFile(const std::filesystem::path& listFileName, ListKind kind,
                             const std::filesystem::path& folder, const CreateSource& source,
                             RunState& run, CreateView* view) {
    CreateOutcome outcome;
    const std::size_t count = source.Count();
    bool anySelected = false;
    for (std::size_t i = 0; i < count && !anySelected; ++i)
        anySelected = source.Selected(i);
    if (!anySelected) {
        outcome.nothingSelected = true;
        return outcome;
    }

    RunProgress& progress = run.Progress;
    progress.TotalBytes = 0;
    progress.DoneBytes = 0;
    run.AbortRequested = false;
    run.OnProgress = [&progress](std::int32_t percent, std::int32_t bytes) {
        progress.UpdateProgress(percent, bytes);
    };
    progress.SetBars(0);
    progress.StartTick = platform::TickCount64();

    const platform::LocalTime now = platform::LocalNow();

    std::vector<PlannedFile> files;
    for (std::size_t i = 0; i < count; ++i) {
        if (!source.Selected(i) || source.IsFolder(i))
            continue;
        const std::filesystem::path fullPath = folder / source.Name(i);
        if (IsListItself(fullPath, listFileName))
            continue;
        PlannedFile& f = files.emplace_back();
        f.name = source.Name(i);
        f.fullPath = fullPath;
        if (const char* reason = UnlistableReason(f.name, kind)) {
            f.reason = reason;
            continue;
        }
        f.inCodePage = platform::ExactListTextFromPath(f.name).has_value();
        progress.TotalBytes += source.Size(i);
        if (kind == ListKind::Sfv) {
            try {
                f.lookup = source.Listed(i);
                if (!*f.lookup)
                    f.lookup = platform::LookupPath(f.fullPath);
            } catch (...) {
            }
        }
    }

    // Elapsed time, rate and time left cover the digests only.
    progress.StartTick = platform::TickCount64();

    bool aborted = false;
    for (PlannedFile& f : files) {
        if (f.reason)
            continue;
        if (view)
            view->ShowCurrentFile(f.name.native());
        const DigestResult r = GetDigestText(*KindInfo(kind).digest, f.fullPath, run);
        if (r.complete)
            f.digest = r.text;
        else if (!r.aborted)
            f.reason = ReasonText(r.error);
        if (run.AbortRequested) {
            aborted = true;
            break;
        }
    }
    if (view)
        view->ShowCurrentFile(ViewText());

    for (const PlannedFile& f : files)
        if (f.reason)
            outcome.leftOut.push_back({f.name, *f.reason});
    // An aborted run leaves its bars where they were; any other end shows them full.
    if (aborted) {
        outcome.aborted = true;
        return outcome;
    }
    progress.SetBars(100);

    bool namesFitCodePage = true;
    for (const PlannedFile& f : files)
        if (!f.reason && !f.inCodePage)
            namesFitCodePage = false;
    const NewListText text = EncodeNewList(kind, namesFitCodePage, [&](auto encoding) {
        return ListLinesOf(files, kind, now, encoding);
    });
    StoreList(listFileName, text.lines, text.encoding, kind);
    outcome.written = true;
    outcome.elapsedSeconds = progress.ElapsedSeconds();
    return outcome;
}

ViewText LeftOutWarningText(const std::vector<LeftOutFile>& leftOut,
                            const std::filesystem::path& listFile) {
    if (leftOut.empty())
        return {};
    ViewText text = ViewTextFromAscii(std::to_string(leftOut.size()));
    text += ViewTextFromAscii(leftOut.size() == 1 ? " file was left out of the list"
                                                  : " files were left out of the list");
    if (!listFile.empty())
        text += ViewTextFromAscii(" ") + listFile.native();
    text += ViewTextFromAscii(":");
    const std::size_t shown = std::min(leftOut.size(), kWarningNames);
    for (std::size_t i = 0; i < shown; ++i) {
        text += ViewTextFromAscii("\n");
        text += leftOut[i].name.native();
        text += ViewTextFromAscii(" (");
        text += ViewTextFromUtf8(leftOut[i].reason);
        text += ViewTextFromAscii(")");
    }
    if (leftOut.size() > shown)
        text += ViewTextFromAscii("\nand " + std::to_string(leftOut.size() - shown) + " more");
    return text;
}

} // namespace quillon

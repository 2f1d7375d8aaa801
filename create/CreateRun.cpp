#include "create/CreateRun.h"

#include "core/FileDigest.h"
#include "core/ListFile.h"
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
    std::string listName; // exact list text
    std::optional<std::string> comment;
    std::string entry;                 // set once the whole file was read
    std::optional<std::string> reason; // set when it is left out
};

// The comment carries the name as the entry line does (a console list may name "sub/name").
std::string CommentLine(const std::filesystem::path& fullPath, const std::string& listName) {
    const std::optional<platform::FileLookup> file = platform::LookupPath(fullPath);
    return file ? FileInfoComment(*file, listName) : std::string(";");
}

// Whether a check reading the entry line of this name finds this name: a line break would split
// the line, a leading ";" makes an SFV line a comment, blanks at either end are trimmed away.
bool ReadsBack(const std::string& listName, bool md5) {
    const std::string digest(md5 ? 32 : 8, '0');
    const std::string line =
        (md5 ? Md5EntryLine(digest, listName) : SfvEntryLine(listName, digest)) + "\r\n";
    ListLines lines;
    ParseListText(line, md5, lines);
    return lines.lines.size() == 1 && SplitListLineView(lines.lines[0]).name == listName;
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

CreateOutcome CreateListFile(const std::filesystem::path& listFileName, bool md5,
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

    std::vector<std::string> lines;
    if (!md5) {
        lines.push_back(SfvHeaderLine());
        lines.push_back(";");
    }

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
        std::optional<std::string> listName = platform::ExactListTextFromPath(f.name);
        if (!listName) {
            // Written with "?" it could never be found again.
            f.reason = kNotRepresentable;
            continue;
        }
        if (!ReadsBack(*listName, md5)) {
            // Written as it is, a check would look for another name or none at all.
            f.reason = kNameNotReadBack;
            continue;
        }
        f.listName = std::move(*listName);
        progress.TotalBytes += source.Size(i);
        if (!md5) {
            try {
                f.comment = CommentLine(f.fullPath, f.listName);
            } catch (...) {
                // No date for it: the file goes in without its comment line.
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
        const DigestResult r = md5 ? GetMd5Text(f.fullPath, run) : GetCrcText(f.fullPath, run);
        if (r.complete)
            f.entry = md5 ? Md5EntryLine(r.text, f.listName) : SfvEntryLine(f.listName, r.text);
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

    // A file left out loses its comment line too: the list says nothing of it.
    for (const PlannedFile& f : files)
        if (!f.reason && f.comment)
            lines.push_back(*f.comment);
    for (const PlannedFile& f : files)
        if (!f.reason)
            lines.push_back(f.entry);
    StoreList(listFileName, lines);
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

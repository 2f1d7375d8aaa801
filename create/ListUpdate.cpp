#include "create/ListUpdate.h"

#include "core/FileDigest.h"
#include "core/FileError.h"
#include "core/ListFile.h"
#include "create/NewListText.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "verify/ChangeClassifier.h"
#include "util/InChunks.h"
#include "verify/UnlistedFiles.h"

#include <algorithm>
#include <future>
#include <memory>
#include <thread>
#include <optional>
#include <system_error>

namespace quillon {

namespace {

// Below this many entries a thread costs more than its lookups save.
constexpr std::size_t kEntriesPerLookupThread = 2048;
constexpr std::size_t kMaxLookupThreads = 8;

// The name of path in a list in folder: below it, the rest; elsewhere (an absolute name on
// POSIX) the path itself.
ViewText NameBelow(const ViewText& path, const ViewText& folder) {
    if (!folder.empty() && path.size() > folder.size() &&
        path.compare(0, folder.size(), folder) == 0)
        return path.substr(folder.size());
    return path;
}

std::string ReasonText(const platform::OsError& error) {
    return error.text.empty() ? std::string("cannot read the file") : error.text;
}

// One line of the new list and what it shows of its file.
struct NewLine {
    const std::filesystem::path* name;
    ListKind kind;
    const std::string* digest;
    const std::string* algorithm;
    std::optional<platform::FileLookup> file; // for the SFV comment line
};

std::vector<std::string> ListLinesOf(const std::vector<NewLine>& entries, ListKind kind,
                                     const platform::LocalTime& now,
                                     platform::ListEncoding encoding) {
    std::vector<std::string> lines, entryLines;
    if (kind == ListKind::Sfv) {
        lines.push_back(SfvHeaderLine(now, encoding));
        lines.push_back(";");
    }
    entryLines.reserve(entries.size());
    bool markMode = false;
    for (const NewLine& e : entries)
        markMode |= e.kind == kind && NameNeedsModeMark<ViewChar>(e.name->native());
    for (const NewLine& e : entries) {
        const std::string name = platform::ExactListTextFromPath(*e.name, encoding)
                                     .value_or(platform::ListTextFromPath(*e.name, encoding));
        if (kind == ListKind::Sfv && e.file) {
            try {
                lines.push_back(FileInfoComment(*e.file, name, encoding));
            } catch (...) {
                // No date for it: the entry goes in without its comment line.
            }
        }
        if (e.kind == kind)
            entryLines.push_back(EntryLine(kind, *e.digest, name, markMode));
        else if (e.kind == ListKind::Unsupported)
            entryLines.push_back(TagLine(*e.algorithm, *e.digest, name));
        else
            entryLines.push_back(TagLine(KindInfo(e.kind).tags.front(), *e.digest, name));
    }
    lines.insert(lines.end(), std::make_move_iterator(entryLines.begin()),
                 std::make_move_iterator(entryLines.end()));
    return lines;
}

} // namespace

std::size_t ListUpdatePlan::Count(State state) const {
    std::size_t n = 0;
    for (const Entry& e : entries)
        n += e.state == state;
    return n;
}

ListUpdatePlan PlanListUpdate(const std::filesystem::path& listFile,
                              const std::unordered_set<ViewText>& damaged) {
    ListUpdatePlan plan;
    plan.listFile = listFile;
    plan.kind = ListKindOfFile(listFile);
    // Not ParseListFile: the kind of the lists the window has loaded stays theirs.
    platform::OsError error;
    std::optional<std::string> bytes = platform::ReadWholeFile(listFile, &error, MaxListFileSize);
    if (!bytes)
        throw FileError(FileError::Kind::Open, listFile, error);
    ListLines lines;
    lines.text = std::move(*bytes);
    ParseListText(lines.text, plan.kind, lines);

    const ViewText folder = ListFolderPart(listFile);
    const auto sharedList = std::make_shared<const std::filesystem::path>(listFile);
    ChangeClassifier changes;
    BackslashNames backslashNames(folder);
    TItemList named; // what FindUnlistedFiles takes as listed
    named.reserve(lines.lines.size());
    plan.entries.reserve(lines.lines.size());
    for (std::size_t i = 0; i < lines.lines.size(); ++i) {
        const ListEntry parts = ListEntryAt(lines, i);
        ListUpdatePlan::Entry& e = plan.entries.emplace_back();
        e.path = ResolveEntryPath(folder, parts, lines.encoding, &backslashNames);
        e.name = NameBelow(e.path, folder);
        e.kind = parts.kind;
        e.digest = parts.checksum;
        e.algorithm = parts.algorithm;
        ++plan.report.entries;
        plan.report.notUnderstood += !HoldsDigestOfItsKind(parts);
        e.damaged = damaged.count(e.path) != 0;
        auto item = std::make_unique<TItemRec>();
        item->FileName = e.path;
        item->ListFile = sharedList;
        named.push_back(std::move(item));
    }
    // Meanwhile, on threads of their own: the list's comment lines, which say what changed, and
    // the files of its folders that it does not name.
    std::future<void> recordsRead;
    std::future<std::vector<ViewText>> unlistedFound;
    try {
        recordsRead = std::async(std::launch::async, [&] { changes.ReadList(listFile); });
        unlistedFound = std::async(std::launch::async, [&] {
            return FindUnlistedFiles(named, {listFile});
        });
    } catch (const std::system_error&) {
        // No thread to spare: both come when they are needed.
    }
    // The lookups mostly wait on the file system: a long list spreads them over a few threads.
    std::vector<std::optional<platform::FileLookup>> files(plan.entries.size());
    const std::size_t threads = std::min<std::size_t>(
        {files.size() / kEntriesPerLookupThread, std::max(1u, std::thread::hardware_concurrency()),
         kMaxLookupThreads});
    InChunks(files.size(), std::max<std::size_t>(threads, 1), 256,
             [&](std::size_t begin, std::size_t end) {
                 for (std::size_t i = begin; i < end; ++i)
                     files[i] = platform::LookupPathText(plan.entries[i].path);
             });
    if (recordsRead.valid())
        recordsRead.get();
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        ListUpdatePlan::Entry& e = plan.entries[i];
        const std::optional<platform::FileLookup>& file = files[i];
        if (!file || !file->IsFile()) {
            e.state = ListUpdatePlan::State::Gone;
        } else {
            e.file = *file;
            e.state = changes.ChangedSince(listFile, e.path, *file)
                          ? ListUpdatePlan::State::Changed
                          : ListUpdatePlan::State::Unchanged;
        }
    }

    // New names of a subfolder follow the list's own names: a list written with "sub/x" on
    // Windows gets no "sub\y" beside them.
    bool forwardOnly = false, backward = false;
    for (const ListUpdatePlan::Entry& e : plan.entries) {
        const ViewText& n = e.name.native();
        forwardOnly = forwardOnly || n.find('/') != ViewText::npos;
        backward = backward || n.find('\\') != ViewText::npos;
    }
    forwardOnly = forwardOnly && !backward;
    std::vector<ViewText> unlisted = unlistedFound.valid() ? unlistedFound.get()
                                                           : FindUnlistedFiles(named, {listFile});
    for (ViewText& path : unlisted) {
        const std::optional<platform::FileLookup> file = platform::LookupPathText(path);
        if (!file || !file->IsFile())
            continue; // gone since the folder was listed
        ListUpdatePlan::NewFile& f = plan.newFiles.emplace_back();
        f.name = std::filesystem::path(NameBelow(path, folder)).make_preferred();
        if (forwardOnly) {
            ViewText name = f.name.native();
            std::replace(name.begin(), name.end(), ViewChar('\\'), ViewChar('/'));
            f.name = std::move(name);
        }
        f.path = std::move(path);
        f.size = file->size;
    }
    return plan;
}

UpdateOutcome RunListUpdate(const ListUpdatePlan& plan, bool prune, RunState& run,
                            CreateView* view) {
    using State = ListUpdatePlan::State;
    UpdateOutcome outcome;
    if (plan.report.LooksLikeJunk()) {
        outcome.notAList = true;
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
    const platform::LocalTime now = platform::LocalNow();

    // What each file to hash gives: its digest once read whole, else why not.
    struct Hashed {
        std::string digest;
        std::optional<std::string> reason;
        std::optional<platform::FileLookup> file;
    };
    std::vector<Hashed> changed(plan.entries.size()), added(plan.newFiles.size());
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const ListUpdatePlan::Entry& e = plan.entries[i];
        if (e.state != State::Changed)
            continue;
        if (e.kind == ListKind::Unsupported)
            changed[i].reason = "unsupported algorithm " + e.algorithm;
        else
            progress.TotalBytes += e.file.size;
    }
    for (std::size_t i = 0; i < plan.newFiles.size(); ++i) {
        if (const char* reason = UnlistableReason(plan.newFiles[i].name, plan.kind))
            added[i].reason = reason;
        else
            progress.TotalBytes += plan.newFiles[i].size;
    }

    progress.StartTick = platform::TickCount64();
    auto hash = [&](const ViewText& path, const std::filesystem::path& name, ListKind kind,
                    Hashed& h) {
        if (view)
            view->ShowCurrentFile(name.native());
        // The comment line shows the file as it was when its read began.
        h.file = platform::LookupPathText(path);
        const DigestResult r = GetDigestText(*KindInfo(kind).digest, path, run);
        if (r.complete)
            h.digest = r.text;
        else if (!r.aborted)
            h.reason = ReasonText(r.error);
        return !run.AbortRequested;
    };
    bool aborted = false;
    for (std::size_t i = 0; i < plan.entries.size() && !aborted; ++i) {
        const ListUpdatePlan::Entry& e = plan.entries[i];
        if (e.state == State::Changed && !changed[i].reason)
            aborted = !hash(e.path, e.name, e.kind, changed[i]);
    }
    for (std::size_t i = 0; i < plan.newFiles.size() && !aborted; ++i)
        if (!added[i].reason)
            aborted = !hash(plan.newFiles[i].path, plan.newFiles[i].name, plan.kind, added[i]);
    if (view)
        view->ShowCurrentFile(ViewText());
    if (aborted) {
        outcome.aborted = true;
        return outcome;
    }

    std::vector<NewLine> lines;
    lines.reserve(plan.entries.size() + plan.newFiles.size());
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const ListUpdatePlan::Entry& e = plan.entries[i];
        NewLine line{&e.name, e.kind, &e.digest, &e.algorithm, std::nullopt};
        switch (e.state) {
        case State::Gone:
            if (prune) {
                ++outcome.removed;
                continue;
            }
            ++outcome.keptGone;
            break;
        case State::Unchanged:
            line.file = e.file;
            ++outcome.unchanged;
            outcome.keptDamaged += e.damaged;
            break;
        case State::Changed:
            if (changed[i].reason) {
                // Never a made-up checksum: the old entry stays until the file reads whole.
                outcome.leftOut.push_back({e.name, *changed[i].reason});
                line.file = e.file;
            } else {
                line.digest = &changed[i].digest;
                line.file = changed[i].file;
                ++outcome.rehashed;
            }
            break;
        }
        lines.push_back(line);
    }
    for (std::size_t i = 0; i < plan.newFiles.size(); ++i) {
        if (added[i].reason) {
            outcome.leftOut.push_back({plan.newFiles[i].name, *added[i].reason});
            continue;
        }
        lines.push_back(
            NewLine{&plan.newFiles[i].name, plan.kind, &added[i].digest, nullptr, added[i].file});
        ++outcome.added;
    }

    bool namesFitCodePage = true;
    for (const NewLine& line : lines)
        if (!platform::ExactListTextFromPath(*line.name).has_value()) {
            namesFitCodePage = false;
            break;
        }
    const NewListText text = EncodeNewList(plan.kind, namesFitCodePage, [&](auto encoding) {
        return ListLinesOf(lines, plan.kind, now, encoding);
    });
    progress.SetBars(100);
    StoreList(plan.listFile, text.lines, text.encoding, plan.kind);
    outcome.written = true;
    outcome.elapsedSeconds = progress.ElapsedSeconds();
    return outcome;
}

std::string UpdateSummaryText(const UpdateOutcome& o) {
    return std::to_string(o.added) + " added, " + std::to_string(o.removed) + " removed, " +
           std::to_string(o.rehashed) + " re-hashed, " + std::to_string(o.keptDamaged) +
           " kept as damaged, " + std::to_string(o.keptGone) + " kept although gone, " +
           std::to_string(o.leftOut.size()) + " left out, " + std::to_string(o.unchanged) +
           " unchanged";
}

UpdateOutcome UpdateListFile(const std::filesystem::path& listFile, bool prune, RunState& run,
                             CreateView* view, const std::unordered_set<ViewText>& damaged) {
    return RunListUpdate(PlanListUpdate(listFile, damaged), prune, run, view);
}

} // namespace quillon

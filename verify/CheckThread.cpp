#include "verify/CheckThread.h"

#include "core/Crc32.h"
#include "core/FileDigest.h"
#include "core/ListKind.h"
#include "platform/Processors.h"
#include "util/EnhFunc.h"
#include "verify/ChangeClassifier.h"
#include "verify/GuiDispatcher.h"
#include "verify/Md5ReadAhead.h"
#include "verify/SizeLookup.h"
#include "verify/SmallFilePrefetch.h"
#include "verify/UnlistedFiles.h"
#include "verify/VerifyModel.h"

#include <exception>
#include <optional>
#include <system_error>
#include <string>
#include <string_view>

namespace quillon {

namespace {

// A list of one file gains nothing from a second thread.
constexpr std::size_t PrefetchFrom = 2;

// Runs work on the GUI thread and waits; a failure there is raised again on the worker.
void RunOnGui(GuiDispatcher& dispatcher, const std::function<void()>& work) {
    std::exception_ptr failure;
    dispatcher.RunOnGuiThread([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (failure)
        std::rethrow_exception(failure);
}

bool SameDigestText(std::string_view computed, std::string_view expected) {
    if (computed.size() != expected.size())
        return false;
    for (std::size_t i = 0; i < computed.size(); ++i)
        if (AsciiLower(computed[i]) != AsciiLower(expected[i]))
            return false;
    return true;
}

} // namespace

TcrcThread::~TcrcThread() {
    if (!thread_.joinable())
        return;
    if (!ended_.IsSet())
        model_.Dispatcher().WaitServing(ended_);
    thread_.join();
}

void TcrcThread::Start() {
    thread_ = std::thread(&TcrcThread::ThreadMain, this);
}

void TcrcThread::Join() {
    if (thread_.joinable())
        thread_.join();
}

void TcrcThread::ThreadMain() noexcept {
    try {
        Execute();
    } catch (...) {
        // Nothing may leave the thread; the end steps have run or the window is going.
    }
    ended_.Set();
}

void TcrcThread::Execute() {
    GuiDispatcher& dispatcher = model_.Dispatcher();
    RunState& run = model_.Run();
    std::optional<UnlistedSearch> unlisted;
    try {
        // The lookups of a long list take a while (a network folder, Wine): here they keep the
        // window free. A closing window cuts them short.
        VerifyModel::ShownSizes looked;
        std::vector<ListedFolder> listed;
        for (const auto& e : model_.ItemList)
            if (e->ListItem != NoRow) looked.entries.push_back(e.get());
        // A view that shows sizes neither in its rows nor as progress (a console without its
        // progress line) looks nothing up: each entry's open finds its size, or finds it missing,
        // as a lookup would, and a folder of small files is not read twice.
        const VerifyView& view = model_.View();
        if (view.ShowsProgress() || view.ShowsSizeTexts())
            looked.sizes = LookupSizes(looked.entries, &run.WindowClosing, &listed);
        else
            looked.sizes.assign(looked.entries.size(), SizeAtOpen);
        RunOnGui(dispatcher, [&] { model_.BeginCheck(*this, looked); });
        // The folders' other files are looked for meanwhile, on a core the check leaves idle
        // (with no thread to spare, after the check), in the lookups' readings where they made
        // one.
        try {
            unlisted.emplace(model_.ItemList, model_.ListFiles, run, std::move(listed));
        } catch (const std::system_error&) {
        }
        CheckEntries();
    } catch (...) {
        // A failure inside the loop still ends the run properly, so the window is usable again.
    }
    if (run.WindowClosing)
        return;
    try {
        // Entries the check did not reach (an abort, a row out of the selection) still get the
        // sizes a lookup at the start would have given them.
        for (const auto& e : model_.ItemList)
            if (e->Size == SizeAtOpen) e->Size = GetFileSize64(e->FileName);
        model_.RecountResults();
        // What lies in the lists' folders that no list names; EndCheck shows it.
        if (!run.AbortRequested)
            model_.Unlisted = unlisted ? unlisted->Result()
                                       : FindUnlistedFiles(model_.ItemList, model_.ListFiles,
                                                           &run.WindowClosing);
    } catch (...) {
    }
    run.Busy = false;
    RunOnGui(dispatcher, [this] { model_.EndCheck(); });
}

void TcrcThread::ReadAhead(Md5ReadAhead& readAhead, std::size_t first,
                           SmallFilePrefetch* prefetch) {
    // Far enough to fill the lanes through a few big or unselected entries, near enough that
    // a file is read moments before its turn.
    constexpr std::size_t Scan = 4 * MD5ManyLanes;
    VerifyView& view = model_.View();
    const RunState& run = model_.Run();
    const std::size_t count = model_.ItemList.size();
    readAhead.Begin(first);
    std::size_t i = first;
    for (; i < count && i - first < Scan && !readAhead.Full() && !run.AbortRequested; ++i) {
        const TItemRec& e = *model_.ItemList[i];
        // Entries out of scope are never read, so they break no order.
        if (e.ListItem == NoRow)
            continue;
        // The loop has just found the first one in scope.
        if (i != first && !CheckAll && !view.IsRowSelected(e.ListItem))
            continue;
        // Only an unbroken run of small MD5 files: a file after a big or absent one would be read
        // long before its turn, and a change to it in between would go unseen.
        if (e.Kind != ListKind::Md5 || !Md5ReadAhead::Fits(e.Size))
            break;
        if (!readAhead.Add(i, e.FileName, prefetch)) {
            // Not read whole: its turn reads it the usual way, and nothing after it is read first.
            ++i;
            break;
        }
    }
    readAhead.Finish(i);
}

void TcrcThread::CheckEntries() {
    VerifyView& view = model_.View();
    RunState& run = model_.Run();
    StatusCounters& counters = model_.Counters;
    const std::size_t count = model_.ItemList.size();
    Md5ReadAhead readAhead;
    ChangeClassifier changes;
    const DigestBlockKeeper block;
    const bool showsProgress = view.ShowsProgress(); // the file at hand is part of it
    // Which files a second thread reads ahead is decided here: it never looks at an entry,
    // whose size the check may set meanwhile.
    bool startReader = CheckAll && count >= PrefetchFrom && platform::UsableProcessors() > 1;
    std::vector<SmallFilePrefetch::Plan> plans;
    if (startReader) {
        plans.assign(count, SmallFilePrefetch::Plan::Skip);
        for (std::size_t i = 0; i < count; ++i) {
            const TItemRec& e = *model_.ItemList[i];
            if (e.ListItem != NoRow && e.Kind != ListKind::Unsupported)
                plans[i] = Md5ReadAhead::Fits(e.Size) ? SmallFilePrefetch::Plan::Read
                                                      : SmallFilePrefetch::Plan::Stop;
        }
    }
    std::optional<SmallFilePrefetch> prefetch;
    for (std::size_t i = 0; i < count; ++i) {
        if (prefetch)
            prefetch->Release(i);
        TItemRec& e = *model_.ItemList[i];
        const RowIndex row = e.ListItem;
        if (row == NoRow)
            continue;
        if (CheckAll)
            view.ScrollRowIntoView(row);
        else if (!view.IsRowSelected(row))
            continue;
        // Entries do not change while a check holds them: no copy, and no path to build.
        const ViewText& fileName = e.FileName;
        const std::string& expected = e.Checksum;
        if (run.AbortRequested)
            break;
        if (showsProgress)
            view.SetCurrentFile(e.ListFile ? EntryCaption(e.FileName, e.ListFile->native())
                                           : EntryCaption(e.FileName));
        // From the first entry's turn on, not before: no file is read before the check begins.
        if (startReader) {
            startReader = false;
            prefetch.emplace(
                std::move(plans),
                [this](std::size_t k) -> const ViewText& { return model_.ItemList[k]->FileName; },
                run);
        }

        const std::int32_t before = e.Status;
        if (!CheckAll && !view.IsRowSelected(row)) {
            // Unchecked again: what an earlier check found of it is no longer its finding.
            if (HasCheckNote(e)) {
                e.Note.reset();
                view.SetRowNote(row, {});
            }
            e.Status = StatusUnchecked;
            view.SetRowImage(row, StatusUnchecked);
            counters.Move(before, StatusUnchecked);
            view.RequestStatusRepaint();
            continue;
        }

        std::int32_t result = 0;
        // An entry found as a file at the start of the check goes straight to the digest, whose
        // open refuses anything but a regular file: one path walk less per entry, which a list of
        // many small files feels. The others are looked up first, so that a name that was a
        // device or a FIFO then is never opened (reading one would hang or hash nothing).
        bool noFile = e.Size == -1 && GetFileSize64(fileName) < 0;
        DigestResult digest;
        // A tag this program does not compute: the file is not read, and the entry is Bad.
        const bool unsupported = e.Kind == ListKind::Unsupported;
        if (!noFile && !unsupported) {
            if (e.Kind == ListKind::Md5) {
                // A small file that was a file at the start is read with the next few ones.
                if (Md5ReadAhead::Fits(e.Size) && !readAhead.Covers(i))
                    ReadAhead(readAhead, i, prefetch ? &*prefetch : nullptr);
                if (!readAhead.Take(i, digest, run))
                    digest = ThreadMd5Text(fileName, run);
            } else {
                SmallFile small;
                bool mine = true;
                const unsigned char* bytes = prefetch ? prefetch->Take(i, small, mine) : nullptr;
                digest = bytes ? SmallFileResult(*KindInfo(e.Kind).digest, small, bytes, run)
                               : ThreadDigestText(*KindInfo(e.Kind).digest, fileName, run);
            }
            noFile = digest.error.noFile;
        }
        if (e.Size == SizeAtOpen)
            e.Size = noFile ? -1 : digest.length >= 0 ? digest.length : GetFileSize64(fileName);
        if (noFile) {
            if (HasCheckNote(e)) {
                e.Note.reset();
                view.SetRowNote(row, {});
            }
            e.Status = StatusMissing;
            view.SetRowImage(row, StatusMissing);
            view.SetRowSizeText(row, ViewTextFromAscii("Not Found"));
            result = StatusMissing;
        } else {
            // A file that could not be read to its end gets a stand-in digest (FFFFFFFF, the MD5
            // of nothing, or that of the part read); a list made from such a text must not turn
            // an unreadable file into a Good one.
            if (!unsupported && digest.complete && SameDigestText(digest.text, expected)) {
                result = StatusGood;
            } else if (!run.AbortRequested) {
                result = StatusBad;
            }
            // Otherwise the digest was cut short by an abort: the entry keeps its status.
            if (result != 0) {
                e.Status = result;
                view.SetRowImage(row, result);
            }
            // A Bad entry says why where that is known: a file that could not be read whole,
            // or one read whole that was changed since the list was made or is damaged.
            // A file read whole keeps the digest it has now with its note, for a report to show.
            std::optional<EntryNote> note;
            if (result == StatusBad && !digest.complete && digest.error)
                note = EntryNote{NoteKind::Unreadable, digest.error.text};
            else if (result == StatusBad && digest.complete && !unsupported)
                note = EntryNote{changes.Classify(e).value_or(NoteKind::Differs),
                                 DigestTextInCaseOf(digest.text, expected)};
            if (note) {
                e.Note = std::make_unique<EntryNote>(std::move(*note));
                view.SetRowNote(row, NoteText(*e.Note));
            } else if (result != 0 && HasCheckNote(e)) {
                e.Note.reset();
                view.SetRowNote(row, {});
            }
        }
        if (result != 0)
            counters.Move(before, result);
        view.RequestStatusRepaint();
    }
}

} // namespace quillon

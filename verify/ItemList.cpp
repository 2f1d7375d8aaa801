#include "verify/ItemList.h"

#include "platform/FileSystem.h"
#include "util/EnhFunc.h"

#include <cmath>
#include <string>

namespace quillon {

bool SameListFile(const std::shared_ptr<const std::filesystem::path>& a,
                  const std::shared_ptr<const std::filesystem::path>& b) {
    if (a == b) return true;
    const ViewText empty;
    const ViewText& ta = a ? a->native() : empty;
    const ViewText& tb = b ? b->native() : empty;
    return ta == tb;
}

namespace {

// Ends the batch and lays the list out on every way out of a rebuild.
class BatchUpdate {
public:
    explicit BatchUpdate(VerifyView& view) : view_(view) { view_.BeginUpdate(); }
    ~BatchUpdate() {
        try {
            view_.EndUpdate();
            view_.Relayout();
        } catch (...) {
        }
    }
    BatchUpdate(const BatchUpdate&) = delete;
    BatchUpdate& operator=(const BatchUpdate&) = delete;

private:
    VerifyView& view_;
};

} // namespace

ViewText SizeText(std::int64_t size, std::uint8_t sizeType) {
    if (size == -1) return ViewTextFromAscii("Not Found");
    if (size == 0) return ViewTextFromAscii("0 KB");
    const auto value = static_cast<double>(size);
    switch (sizeType) {
    case SizeTypeAuto: return FormatSize<ViewChar>(SizeModeAuto, true, value);
    case SizeTypeKB: {
        double kb = value / 1024.0;
        if (kb < 1.0) kb = 1.0;
        return FormatNumber<ViewChar>(kb, 0) + ViewTextFromAscii(" KB");
    }
    case SizeTypeBytes: return FormatSize<ViewChar>(SizeModeBytes, false, value);
    }
    return {};
}

ViewTextView EntryCaption(ViewTextView text) {
    for (std::size_t i = text.size(); i > 0; --i)
        if (platform::IsFolderSeparator(text[i - 1]))
            return text.substr(i);
    return text;
}

ViewTextView EntryCaption(ViewTextView text, ViewTextView listFile) {
    std::size_t folder = listFile.size();
    while (folder > 0 && !platform::IsFolderSeparator(listFile[folder - 1]))
        --folder;
    if (folder == 0 || text.size() <= folder || text.compare(0, folder, listFile.substr(0, folder)))
        return EntryCaption(text);
    ViewTextView rest = text.substr(folder);
    // "./a.bin" (as find . | xargs md5sum writes) is in the list's own folder.
    while (rest.size() > 2 && rest[0] == '.' && platform::IsFolderSeparator(rest[1]))
        rest.remove_prefix(2);
    // A name that climbs out ("..") or starts anew at a root is no path below the list's folder.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !platform::IsFolderSeparator(rest[i]))
            continue;
        const ViewTextView part = rest.substr(start, i - start);
        if (part.empty() || (part.size() <= 2 && part.find_first_not_of('.') == part.npos))
            return EntryCaption(text);
        start = i + 1;
    }
    return rest;
}

void RefreshList(TItemList& items, std::int32_t displayFilter, std::uint8_t sizeType,
                 VerifyView& view) {
    // Rows are about to go: no entry may keep a reference to one, also if the rebuild fails.
    for (auto& e : items) e->ListItem = NoRow;
    BatchUpdate batch(view);
    view.DeleteAllRows();
    view.ReserveRows(items.size());
    std::shared_ptr<const std::filesystem::path> group;
    // A list of absent files would otherwise make this text again for each of its rows.
    const ViewText notFound = SizeText(-1, sizeType);
    for (std::size_t i = 0; i < items.size(); ++i) {
        TItemRec& e = *items[i];
        if (!SameListFile(e.ListFile, group)) {
            group = e.ListFile;
            if (i != 0) view.AddRow({}, 0, ImageNone, nullptr);
            view.AddRow(group ? ViewTextView(group->native()) : ViewTextView(), 0, ImageHeader,
                        nullptr);
        }
        if (displayFilter == FilterAll || displayFilter == e.Status) {
            const RowIndex row = view.AddRow(
                group ? EntryCaption(e.FileName, group->native()) : EntryCaption(e.FileName), 1,
                e.Status, &e);
            e.ListItem = row;
            if (view.ShowsSizeTexts())
                view.SetRowSizeText(row, e.Size == -1 ? notFound : SizeText(e.Size, sizeType));
            if (e.Note)
                view.SetRowNote(row, NoteText(*e.Note));
        }
    }
}

void UpdateSizeText(VerifyView& view, RowIndex row, std::uint8_t sizeType) {
    if (row < 0 || row > view.RowCount() - 1) return;
    if (TItemRec* e = view.RowData(row)) view.SetRowSizeText(row, SizeText(e->Size, sizeType));
}

} // namespace quillon

#include "verify/CheckReport.h"

#include "core/FileError.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "verify/VerifyModel.h"

#include <string_view>

namespace quillon {

namespace {

void AssignUtf8(std::string& out, const ViewText& text) {
#ifdef _WIN32
    out = platform::ListTextFromWide(text, platform::ListEncoding::Utf8);
#else
    out = text;
#endif
}

void FillEntryRow(ReportRow& row, const TItemRec& entry) {
    row.status = StatusName(entry.Status);
    AssignUtf8(row.path, entry.FileName);
    if (entry.Size >= 0)
        row.size = std::to_string(entry.Size);
    else
        row.size.clear();
    row.expected = ExpectedText(entry);
    row.actual = ActualText(entry);
    if (entry.Note)
        row.note = NoteText(*entry.Note);
    else
        row.note.clear();
}

void FillListRow(ReportRow& row, const std::filesystem::path* listFile) {
    row = ReportRow{};
    row.status = "List";
    if (listFile)
        AssignUtf8(row.path, listFile->native());
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendTabField(std::string& out, std::string_view field) {
    for (const char c : field)
        out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

template <typename AppendField>
void AppendRow(std::string& out, const ReportRow& row, char separator, AppendField field) {
    const std::string_view fields[] = {row.status,   row.path,   row.size,
                                       row.expected, row.actual, row.note};
    bool first = true;
    for (const std::string_view f : fields) {
        if (!first)
            out += separator;
        first = false;
        field(out, f);
    }
    out += "\r\n";
}

} // namespace

ReportRow EntryReportRow(const TItemRec& entry) {
    ReportRow row;
    FillEntryRow(row, entry);
    return row;
}

ReportRow ListReportRow(const std::filesystem::path& listFile) {
    ReportRow row;
    FillListRow(row, &listFile);
    return row;
}

ReportRow UnlistedReportRow(const ViewText& path) {
    ReportRow row;
    row.status = "Unlisted";
    AssignUtf8(row.path, path);
    return row;
}

void ForEachReportRow(const TItemList& items, const std::vector<ViewText>& unlisted,
                      ReportScope scope, const std::function<void(const ReportRow&)>& take) {
    ReportRow row;
    std::shared_ptr<const std::filesystem::path> group;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TItemRec& e = *items[i];
        // Groups as the window's rows have them (RefreshList).
        if (i == 0 || !SameListFile(e.ListFile, group)) {
            group = e.ListFile;
            FillListRow(row, group.get());
            take(row);
        }
        if (scope == ReportScope::All || e.ListItem != NoRow) {
            FillEntryRow(row, e);
            take(row);
        }
    }
    for (const ViewText& path : unlisted) {
        row = UnlistedReportRow(path);
        take(row);
    }
}

std::string ReportCsvHead() {
    std::string head = "\xEF\xBB\xBF";
    AppendReportCsvRow(
        head, {"Status", "Path", "Size in bytes", "Expected checksum", "Actual checksum", "Note"});
    return head;
}

void AppendReportCsvRow(std::string& out, const ReportRow& row) {
    AppendRow(out, row, ',', AppendCsvField);
}

void AppendReportTabRow(std::string& out, const ReportRow& row) {
    AppendRow(out, row, '\t', AppendTabField);
}

std::string CheckReportCsv(const VerifyModel& model, ReportScope scope) {
    std::string out = ReportCsvHead();
    ForEachReportRow(model.ItemList, model.Unlisted, scope,
                     [&out](const ReportRow& row) { AppendReportCsvRow(out, row); });
    return out;
}

void SaveCheckReport(const std::filesystem::path& file, const VerifyModel& model,
                     ReportScope scope) {
    platform::OsError error;
    if (!platform::ReplaceFileContents(file, CheckReportCsv(model, scope), &error))
        throw FileError(FileError::Kind::Create, file, error);
}

std::string SelectedRowsText(const VerifyModel& model) {
    const VerifyView& view = model.View();
    // The lists in the order of their header rows: rows without an entry are each list's header,
    // with a separator row before every header but the first.
    std::vector<const std::filesystem::path*> lists;
    std::shared_ptr<const std::filesystem::path> group;
    for (std::size_t i = 0; i < model.ItemList.size(); ++i) {
        const TItemRec& e = *model.ItemList[i];
        if (i == 0 || !SameListFile(e.ListFile, group)) {
            group = e.ListFile;
            lists.push_back(group.get());
        }
    }
    std::string out;
    ReportRow row;
    std::size_t withoutEntry = 0;
    const RowIndex rows = view.RowCount();
    for (RowIndex r = 0; r < rows; ++r) {
        const TItemRec* e = view.RowData(r);
        const std::size_t n = e ? 0 : withoutEntry++;
        if (!view.IsRowSelected(r))
            continue;
        if (e) {
            FillEntryRow(row, *e);
        } else if (n % 2 == 0 && n / 2 < lists.size()) {
            FillListRow(row, lists[n / 2]);
        } else {
            continue;
        }
        AppendReportTabRow(out, row);
    }
    return out;
}

} // namespace quillon

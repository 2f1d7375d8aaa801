#pragma once
#include "core/ViewText.h"
#include "verify/ItemList.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// What a check found, as a file to keep (CSV) and as text for the clipboard. Window-free: the
// window and quillon-cli write the same report. Call it while no check runs: the entries are the
// worker's until its end.
namespace quillon {

class VerifyModel;

// One row of a report; every field UTF-8 (on POSIX names are their bytes, as the console prints
// them).
struct ReportRow {
    // "Good", "Bad", "Missing", "Unchecked"; "List" for a list file's own row, which comes before
    // its entries as its header row does in the window; "Unlisted" for a file no list names.
    std::string status;
    std::string path;     // the entry's full path, the list file's path, the unlisted file's
    std::string size;     // bytes in decimal; empty when unknown
    std::string expected; // as the list writes it
    std::string actual;   // the digest of a file read whole (ActualText); empty otherwise
    std::string note;     // NoteText: "changed", "damaged", "unreadable: ...", ...

    bool operator==(const ReportRow&) const = default;
};

ReportRow EntryReportRow(const TItemRec& entry);
ReportRow ListReportRow(const std::filesystem::path& listFile);
ReportRow UnlistedReportRow(const ViewText& path);

enum class ReportScope {
    Shown, // the entries the display filter shows (those with a row)
    All,   // every entry
};

// The rows of a report in order: per list file its row and those of its entries in scope (a list
// of which none is in scope still has its row, as the window still shows its header), then the
// unlisted files. One row is filled and handed over at a time, so a list of a million entries
// never exists twice in memory.
void ForEachReportRow(const TItemList& items, const std::vector<ViewText>& unlisted,
                      ReportScope scope, const std::function<void(const ReportRow&)>& take);

// The column names, then the rows, as CSV (RFC 4180: a field that holds a comma, a double quote,
// CR or LF is quoted, its quotes doubled; CR LF after every row), UTF-8 after a byte-order mark,
// so that a spreadsheet does not take it for the code page.
std::string ReportCsvHead();
void AppendReportCsvRow(std::string& out, const ReportRow& row);
// The same rows as tab-separated text, one line each (CR LF after each), without column names: a
// tab, CR or LF inside a field becomes a blank, so that every row stays one line of six fields.
void AppendReportTabRow(std::string& out, const ReportRow& row);

// The whole report of the loaded lists and the unlisted files of the last check.
std::string CheckReportCsv(const VerifyModel& model, ReportScope scope);
// Writes that report in one piece (a temporary file renamed over any old one). Throws FileError
// (Kind::Create) with the system's reason when it cannot; an old file is then left as it was.
void SaveCheckReport(const std::filesystem::path& file, const VerifyModel& model,
                     ReportScope scope);
// The selected rows of the verify list as tab-separated text (Ctrl+C): an entry's row as the
// report has it, a list's header row as its "List" row; separator rows give nothing.
std::string SelectedRowsText(const VerifyModel& model);

} // namespace quillon

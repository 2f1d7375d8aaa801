#include "verify/ChangeClassifier.h"

#include "verify/Loader.h"

namespace quillon {

const ChangeClassifier::ListFacts& ChangeClassifier::Facts(const std::filesystem::path& listFile) {
    const auto found = lists_.find(listFile.native());
    if (found != lists_.end())
        return found->second;
    ListFacts& facts = lists_[listFile.native()];
    if (const auto list = platform::LookupPath(listFile))
        facts.writeTime = list->lastWriteTime;
    platform::ListEncoding encoding = platform::ListEncoding::CodePage;
    std::vector<FileRecord> records = ReadFileRecords(listFile, &encoding);
    const ViewText folder = ListFolderPart(listFile);
    for (FileRecord& r : records) {
        // The comment names the file as its entry line does; the first comment of a name counts.
        ViewText path = EntryPath(folder, r.name, encoding, true);
        facts.records.emplace(std::move(path), std::move(r));
    }
    return facts;
}

std::optional<NoteKind> ChangeClassifier::Classify(const TItemRec& entry) {
    const std::optional<platform::FileLookup> file = platform::LookupPathText(entry.FileName);
    if (!file || !file->IsFile())
        return std::nullopt;
    if (!entry.ListFile)
        return NoteKind::Damaged;
    const ListFacts& facts = Facts(*entry.ListFile);
    const auto record = facts.records.find(entry.FileName);
    if (record != facts.records.end())
        return MatchesRecord(record->second, *file) ? NoteKind::Damaged : NoteKind::Changed;
    return facts.writeTime != 0 && file->lastWriteTime > facts.writeTime ? NoteKind::Changed
                                                                         : NoteKind::Damaged;
}

} // namespace quillon

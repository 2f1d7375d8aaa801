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
    return ChangedSince(*entry.ListFile, entry.FileName, *file) ? NoteKind::Changed
                                                                : NoteKind::Damaged;
}

bool ChangeClassifier::ChangedSince(const std::filesystem::path& listFile, const ViewText& path,
                                    const platform::FileLookup& file) {
    const ListFacts& facts = Facts(listFile);
    const auto record = facts.records.find(path);
    if (record != facts.records.end())
        return !MatchesRecord(record->second, file);
    return facts.writeTime != 0 && file.lastWriteTime > facts.writeTime;
}

} // namespace quillon

#pragma once
#include "core/FileRecord.h"
#include "core/ViewText.h"
#include "verify/ItemRec.h"

#include <filesystem>
#include <optional>
#include <unordered_map>

// Why a file read whole has other content than its list says: it was changed after the list was
// made, or it is damaged (a bad copy, a failing disk). An SFV comment line of the file's name
// decides by its size and time; without one, a file written after the list file is changed.
namespace quillon {

class ChangeClassifier {
public:
    // Changed or Damaged for an entry whose file was read whole and did not match; none when
    // the file is gone by now. A list's comment lines are read at its first such entry only.
    std::optional<NoteKind> Classify(const TItemRec& entry);
    // Whether the file at path (an entry of listFile), as a lookup found it, was changed after
    // the list was made: by its comment line's size and time, else by the list file's time. An
    // update reads none of the files this says no to.
    bool ChangedSince(const std::filesystem::path& listFile, const ViewText& path,
                      const platform::FileLookup& file);
    // Reads the list's comment lines now (ChangedSince would at its first call), so that another
    // thread can while this one looks its files up.
    void ReadList(const std::filesystem::path& listFile) { Facts(listFile); }

private:
    struct ListFacts {
        std::unordered_map<ViewText, FileRecord> records; // by entry path
        std::int64_t writeTime = 0;                       // of the list file; 0 unknown
    };
    const ListFacts& Facts(const std::filesystem::path& listFile);

    std::unordered_map<std::filesystem::path::string_type, ListFacts> lists_;
};

} // namespace quillon

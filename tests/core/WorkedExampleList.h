#pragma once
#include "core/FileDigest.h"
#include "core/ListFile.h"
#include "core/RunState.h"
#include "platform/Locale.h"
#include "platform/TextCodec.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quillon::test {

// Writes dir/both.sfv and dir/both.md5 of the given files the way the create run does, with the
// header dated 8 December 2026 7:45:12; the caller has set the files' times.
inline void WriteWorkedExampleLists(const std::filesystem::path& dir,
                                    const std::vector<std::filesystem::path>& files) {
    std::vector<std::string> sfv = {SfvHeaderLine(platform::LocalTime{2026, 12, 8, 7, 45, 12}),
                                    ";"};
    std::vector<std::string> md5;
    for (const auto& f : files)
        sfv.push_back(FileInfoComment(f));
    for (const auto& f : files) {
        const std::string name = platform::ListTextFromPath(f.filename());
        RunState run;
        sfv.push_back(SfvEntryLine(name, GetCrcText(f, run).text));
        md5.push_back(Md5EntryLine(GetMd5Text(f, run).text, name));
    }
    StoreList(dir / "both.sfv", sfv);
    StoreList(dir / "both.md5", md5);
}

} // namespace quillon::test

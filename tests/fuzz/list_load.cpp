// The whole load of a list file through the verify model, names resolving against a scratch
// folder with a few real files. First byte: bit 0 picks MD5, bit 1 loads the list twice over.
#include "core/ListFile.h"
#include "core/RunState.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/verify/FakeView.h"
#include "verify/GuiDispatcher.h"
#include "verify/VerifyModel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    FUZZ_CHECK(out.good());
}

// Made once per process and removed at its exit (libFuzzer ends with exit(), which runs static
// destructors; a crash leaves the folder for a look).
class ScratchFolder {
public:
    ScratchFolder() {
        std::string templ = (fs::temp_directory_path() / "quillon-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(templ.data()) != nullptr);
        path_ = templ;
        fs::create_directories(path_ / "sub");
        fs::create_directories(path_ / "folder");
        WriteFile(path_ / "abc.txt", "abc");
        WriteFile(path_ / "empty.dat", "");
        WriteFile(path_ / "sub" / "data.bin", "12345");
        WriteFile(path_ / "name with blanks.txt", "x");
        // Names a line may give as written while its trimmed or "\\"-separated reading differs.
        WriteFile(path_ / " lead", "yz");
        WriteFile(path_ / "back\\slash", "");
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const fs::path& Scratch() {
    static const ScratchFolder folder;
    return folder.path();
}

// What an exact lookup of a name inside the scratch folder must give. Names that climb out of it
// reach files this target does not own, which may change under it.
bool ExpectedSize(const fs::path& name, std::int64_t& size) {
    const fs::path normal = name.lexically_normal();
    const auto rel = normal.lexically_relative(Scratch());
    if (rel.empty() || *rel.begin() == "..")
        return false;
    std::error_code ec;
    size = fs::is_regular_file(name, ec) ? static_cast<std::int64_t>(fs::file_size(name, ec)) : -1;
    return !ec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool md5 = data[0] & 1;
    const bool twice = data[0] & 2;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const fs::path list = Scratch() / (md5 ? "list.md5" : "list.sfv");
    WriteFile(list, text);

    quillon::test::FakeView view;
    quillon::RunState run(&view);
    quillon::DirectDispatcher dispatcher;
    quillon::VerifyModel model(view, run, dispatcher);
    model.ListFiles = {list};
    if (twice)
        model.ListFiles.push_back(list);
    model.LoadListFiles();

    quillon::ListLines parsed;
    quillon::ParseListText(text, md5, parsed);
    const std::size_t perList = parsed.lines.size();
    FUZZ_CHECK(model.ItemList.size() == perList * model.ListFiles.size());
    FUZZ_CHECK(quillon::Md5Mode == md5);

    const std::string folder = Scratch().native() + "/";
    std::set<const quillon::TItemRec*> entries;
    for (std::size_t i = 0; i < model.ItemList.size(); ++i) {
        const quillon::TItemRec& e = *model.ItemList[i];
        entries.insert(&e);
        FUZZ_CHECK(e.ListFile && *e.ListFile == list);
        FUZZ_CHECK(e.Status == quillon::StatusUnchecked);
        // The entry of the line at the same place, its name below the list's folder ("\\" being
        // a separator here but in escaped lines) or, given as an absolute path, that path; the
        // name as written instead where that is a file.
        const quillon::ListEntry parts = quillon::ListEntryAt(parsed, i % perList);
        std::string checksum(parts.algorithm);
        if (parts.kind == quillon::ListKind::Unsupported)
            checksum += ' ';
        checksum += parts.checksum;
        FUZZ_CHECK(e.Checksum == checksum);
        FUZZ_CHECK(e.Kind == parts.kind);
        const auto resolve = [&](std::string_view written, bool literal) {
            std::string name(written);
            if (!literal)
                std::replace(name.begin(), name.end(), '\\', '/');
            return !written.empty() && written[0] == '/' ? name : folder + name;
        };
        const std::string tolerant = resolve(parts.trimmedName, parts.escaped);
        const std::string exact = resolve(parts.name, true);
        std::int64_t exactSize = -1;
        if (exact != tolerant && ExpectedSize(exact, exactSize))
            FUZZ_CHECK(e.FileName == (exactSize >= 0 ? exact : tolerant));
        else
            FUZZ_CHECK(e.FileName == tolerant || e.FileName == exact);
        std::int64_t expected = 0;
        if (ExpectedSize(e.FileName, expected))
            FUZZ_CHECK(e.Size == expected);
        else
            FUZZ_CHECK(e.Size >= -1);
        FUZZ_CHECK(e.ListItem >= 0 && e.ListItem < view.RowCount());
        FUZZ_CHECK(view.RowData(e.ListItem) == &e);
    }
    // Every row shows a real entry of this load, or none (headers and separators).
    std::size_t dataRows = 0;
    for (const auto& row : view.rows) {
        if (!row.data)
            continue;
        ++dataRows;
        FUZZ_CHECK(entries.count(row.data) == 1);
    }
    FUZZ_CHECK(dataRows == model.ItemList.size());
    FUZZ_CHECK(view.checkEnabled == !view.rows.empty());
    FUZZ_CHECK(view.batchDepth == 0);
    return 0;
}

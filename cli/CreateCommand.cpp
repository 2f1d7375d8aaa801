// quillon-cli create: the window's create mode and its Explorer folder command on the console.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Escape.h"
#include "core/FileError.h"
#include "create/CreateRun.h"
#include "create/ListName.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "util/EnhFunc.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace quillon::cli {

namespace {

constexpr const char* kCreateUsage =
    "usage: quillon-cli create (--sfv | --md5 | --sha1 | --sha256 | --sha512 | --blake3) -o LIST "
    "FILE...\n"
    "       quillon-cli create (--sfv | --md5 | --sha1 | --sha256 | --sha512 | --blake3) "
    "FOLDER...\n";

// "--sha256" -> Sha256, for the kinds create writes.
std::optional<ListKind> KindOption(const std::string& a) {
    for (const ListKindInfo& k : ListKinds()) {
        if (!k.writable || a.size() != k.name.size() + 2 || a.compare(0, 2, "--") != 0)
            continue;
        if (std::equal(k.name.begin(), k.name.end(), a.begin() + 2,
                       [](char n, char c) { return AsciiLower(n) == c; }))
            return k.kind;
    }
    return std::nullopt;
}

struct Entry {
    std::filesystem::path name;
    bool isFolder = false;
    std::int64_t size = 0;
    bool selected = true;
};

class EntrySource : public CreateSource {
public:
    std::vector<Entry> entries;

    std::size_t Count() const override { return entries.size(); }
    bool Selected(std::size_t i) const override { return entries[i].selected; }
    bool IsFolder(std::size_t i) const override { return entries[i].isFolder; }
    std::int64_t Size(std::size_t i) const override { return entries[i].size; }
    std::filesystem::path Name(std::size_t i) const override { return entries[i].name; }
};

void Error(std::string text) {
    text.insert(0, "quillon-cli: ");
    MaskControlsFrom(text, 0);
    Err(text + "\n");
}

bool SameComponent(const std::filesystem::path& a, const std::filesystem::path& b) {
    if constexpr (platform::FileNamesIgnoreCase) {
        const auto& x = a.native();
        const auto& y = b.native();
        return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                          [](auto c, auto d) { return AsciiLower(c) == AsciiLower(d); });
    }
    return a == b;
}

// file's name below folder ("name", "sub/name"); empty when it is not below it. Both absolute
// and normal.
std::optional<std::filesystem::path> NameBelow(const std::filesystem::path& file,
                                               const std::filesystem::path& folder) {
    auto f = file.begin();
    for (const auto& part : folder) {
        if (part.empty())
            continue; // the trailing separator of "dir/"
        if (f == file.end() || !SameComponent(*f, part))
            return std::nullopt;
        ++f;
    }
    std::filesystem::path name;
    for (; f != file.end(); ++f)
        name /= *f;
    if (name.empty())
        return std::nullopt;
    return name;
}

// Runs one create and reports what it left out. Status 0, 1 (files left out) or 2 (the list
// could not be stored).
int RunOne(const std::filesystem::path& listFile, ListKind kind,
           const std::filesystem::path& folder, const EntrySource& source,
           CreateOutcome& outcome) {
    RunState run; // no progress shown, no window, nothing to abort
    try {
        outcome = CreateListFile(listFile, kind, folder, source, run, nullptr);
    } catch (const FileError& e) {
        std::string text = e.what();
        if (!e.reason().text.empty())
            text += ": " + e.reason().text;
        Error(text);
        return 2;
    }
    for (const LeftOutFile& f : outcome.leftOut)
        Error(TextFromPath(folder / f.name) + ": " + f.reason);
    return outcome.leftOut.empty() ? 0 : 1;
}

int CreateFromFiles(const std::filesystem::path& listFile, ListKind kind,
                    const std::vector<std::string>& files) {
    const std::filesystem::path folder = listFile.parent_path();
    EntrySource source;
    for (const auto& arg : files) {
        const std::filesystem::path path = AbsolutePathFromArg(arg);
        const auto found = platform::LookupPath(path);
        Entry e;
        e.isFolder = found && found->isDirectory;
        e.size = found ? found->size : 0;
        if (auto name = NameBelow(path, folder)) {
            e.name = *name;
        } else if (e.isFolder) {
            e.name = path.filename(); // skipped all the same
        } else {
            Error(arg + ": not in the folder of the list (" + TextFromPath(folder) + ")");
            Err(kCreateUsage);
            return 2;
        }
        source.entries.push_back(std::move(e));
    }
    CreateOutcome outcome;
    return RunOne(listFile, kind, folder, source, outcome);
}

int CreateForFolders(ListKind kind, const std::vector<std::string>& folders) {
    int status = 0;
    for (const auto& arg : folders) {
        const FolderListPlan plan = PlanFolderList(AbsolutePathFromArg(arg), kind);
        const std::string list = TextFromPath(plan.listFile);
        // As the window's folder command: no list for a folder that is not there, and no
        // further folders either.
        if (!plan.folderExists) {
            Error("cannot create file " + list + ": no such folder");
            return 2;
        }
        if (platform::LookupPath(plan.listFile)) {
            Error(list + ": skipped, the list exists");
            status = std::max(status, 1);
            continue;
        }
        platform::OsError error;
        auto listing = platform::ListFolder(plan.folder, &error);
        if (!listing) {
            Error(TextFromPath(plan.folder) + ": " + error.text);
            status = std::max(status, 1);
            continue;
        }
        EntrySource source;
        for (auto& f : *listing) {
            Entry e;
            e.isFolder = f.isDirectory;
            e.size = f.size;
            e.selected = !f.isDirectory && FolderCommandSelects(f.name);
            e.name = std::move(f.name);
            source.entries.push_back(std::move(e));
        }
        CreateOutcome outcome;
        const int one = RunOne(plan.listFile, kind, plan.folder, source, outcome);
        if (one == 2)
            return 2;
        status = std::max(status, one);
        if (outcome.nothingSelected) {
            Error(TextFromPath(plan.folder) + ": no files to list, nothing written");
            status = std::max(status, 1);
        }
    }
    return status;
}

} // namespace

int RunCreate(const Args& args) {
    std::optional<ListKind> kind;
    bool endOfOptions = false;
    std::optional<std::string> output;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (const auto k = endOfOptions ? std::nullopt : KindOption(a)) {
            if (kind && *kind != *k) {
                Err("quillon-cli create: choose one of --sfv, --md5, --sha1, --sha256, --sha512 "
                    "and --blake3\n");
                return 2;
            }
            kind = k;
        } else if (!endOfOptions && a == "-o") {
            if (output || i + 1 == args.size()) {
                Err(kCreateUsage);
                return 2;
            }
            output = args[++i];
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            Err("quillon-cli create: unknown option " + a + "\n");
            return 2;
        } else {
            operands.push_back(a);
        }
    }
    if (!kind || operands.empty() || (output && output->empty())) {
        Err(kCreateUsage);
        return 2;
    }
    if (output)
        return CreateFromFiles(AbsolutePathFromArg(*output), *kind, operands);
    return CreateForFolders(*kind, operands);
}

} // namespace quillon::cli

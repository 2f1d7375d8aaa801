// quillon-cli create: the window's create mode and its Explorer folder command on the console.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Escape.h"
#include "core/FileError.h"
#include "create/CreateRun.h"
#include "create/FolderTree.h"
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
    "usage: quillon-cli create (--sfv | --md5 | --sha1 | --sha256 | --sha512 | --blake3) [-r] -o "
    "LIST FILE...\n"
    "       quillon-cli create (--sfv | --md5 | --sha1 | --sha256 | --sha512 | --blake3) [-r] "
    "FOLDER...\n"
    "  -o LIST  one list of the FILEs; a folder among them brings every file below it\n"
    "  -r       each FOLDER's list holds its whole tree, not only the folder's own files\n";

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
    std::optional<platform::FileLookup> listed;
};

class EntrySource : public CreateSource {
public:
    std::vector<Entry> entries;

    std::size_t Count() const override { return entries.size(); }
    bool Selected(std::size_t i) const override { return entries[i].selected; }
    bool IsFolder(std::size_t i) const override { return entries[i].isFolder; }
    std::int64_t Size(std::size_t i) const override { return entries[i].size; }
    std::filesystem::path Name(std::size_t i) const override { return entries[i].name; }
    std::optional<platform::FileLookup> Listed(std::size_t i) const override {
        return entries[i].listed;
    }
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

// file's name below folder ("name", "sub/name"), an empty name for folder itself; none when it
// is not below it. Both absolute and normal.
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
        if (!f->empty())
            name /= *f;
    return name;
}

// Runs one create and reports what it left out, after what the walk of its folders did not
// enter. Status 0, 1 (files left out, folders not entered) or 2 (the list could not be stored).
int RunOne(const std::filesystem::path& listFile, ListKind kind,
           const std::filesystem::path& folder, const CreateSource& source,
           CreateOutcome& outcome, const std::vector<LeftOutFile>& skipped = {}) {
    for (const LeftOutFile& f : skipped)
        Error(TextFromPath(folder / f.name) + ": " + f.reason);
    RunState run; // no progress shown, no window, nothing to abort
    try {
        outcome = CreateListFile(listFile, kind, folder, source, run, nullptr);
    } catch (const FileError& e) {
        std::string text = e.MessageWithReason();
        Error(text);
        return 2;
    }
    for (const LeftOutFile& f : outcome.leftOut)
        Error(TextFromPath(folder / f.name) + ": " + f.reason);
    return outcome.leftOut.empty() && skipped.empty() ? 0 : 1;
}

int CreateFromFiles(const std::filesystem::path& listFile, ListKind kind,
                    const std::vector<std::string>& files) {
    const std::filesystem::path folder = listFile.parent_path();
    std::vector<ChosenItem> chosen;
    for (const auto& arg : files) {
        const std::filesystem::path path = AbsolutePathFromArg(arg);
        const auto found = platform::LookupPath(path);
        ChosenItem item;
        item.isFolder = found && found->isDirectory;
        item.size = found ? found->size : 0;
        auto name = NameBelow(path, folder);
        // The list's folder itself stands for its whole tree; no file has its name.
        if (!name || (name->empty() && !item.isFolder)) {
            Error(arg + ": not in the folder of the list (" + TextFromPath(folder) + ")");
            Err(kCreateUsage);
            return 2;
        }
        item.name = std::move(*name);
        chosen.push_back(std::move(item));
    }
    FolderTree tree = WalkChosenItems(folder, chosen);
    const TreeSource source(std::move(tree.files));
    CreateOutcome outcome;
    return RunOne(listFile, kind, folder, source, outcome, tree.skipped);
}

int CreateForFolders(ListKind kind, const std::vector<std::string>& folders, bool wholeTree) {
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
        CreateOutcome outcome;
        int one;
        if (wholeTree) {
            FolderTree tree = WalkFolderTree(plan.folder);
            const TreeSource source(std::move(tree.files));
            one = RunOne(plan.listFile, kind, plan.folder, source, outcome, tree.skipped);
        } else {
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
                if (e.selected && f.lastWriteTime != 0)
                    e.listed = platform::FileLookup{false, false, f.size, f.lastWriteTime, 0};
                e.name = std::move(f.name);
                source.entries.push_back(std::move(e));
            }
            one = RunOne(plan.listFile, kind, plan.folder, source, outcome);
        }
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
    bool wholeTree = false;
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
        } else if (!endOfOptions && a == "-r") {
            wholeTree = true;
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
    return CreateForFolders(*kind, operands, wholeTree);
}

} // namespace quillon::cli

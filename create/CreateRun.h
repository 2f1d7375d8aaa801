#pragma once
#include "core/ListKind.h"
#include "core/RunState.h"
#include "core/ViewText.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The create run: a new list of the selected files of one folder. Free of windows: the window
// and quillon-cli create both run it, each through its own source and view.
namespace quillon {

// The file list as a create run sees it: the entries of one folder in display order.
class CreateSource {
public:
    virtual ~CreateSource() = default;
    virtual std::size_t Count() const = 0;
    virtual bool Selected(std::size_t i) const = 0;
    virtual bool IsFolder(std::size_t i) const = 0;
    virtual std::int64_t Size(std::size_t i) const = 0;
    // The last path component. The console tool also hands in names below the folder
    // ("sub/name"), which the list then holds as they are.
    virtual std::filesystem::path Name(std::size_t i) const = 0;
    // The size and time a folder listing already gave for entry i, which spares the SFV comment
    // line a lookup of each file; none: the run looks the file up itself.
    virtual std::optional<platform::FileLookup> Listed(std::size_t) const { return std::nullopt; }
};

class CreateView {
public:
    virtual ~CreateView() = default;
    virtual void ShowCurrentFile(const ViewText& name) = 0; // empty text clears it
};

// A selected file the list does not hold, and why: the system's text (UTF-8) of the failed open
// or read, or kNotRepresentable.
struct LeftOutFile {
    std::filesystem::path name;
    std::string reason;
};
inline constexpr const char* kNotRepresentable = "name not representable as list text";
inline constexpr const char* kNameNotReadBack = "a list cannot hold this name as it is";

struct CreateOutcome {
    bool nothingSelected = false; // no selected entry at all: nothing done, nothing written
    bool aborted = false;         // AbortRequested ended the run: nothing written
    bool written = false;
    std::int64_t elapsedSeconds = 0;
    std::vector<LeftOutFile> leftOut; // in list order
};

// Hashes the selected files of folder and stores their list of kind (one create writes) under
// listFileName, one entry per file in the source's order; folders, and the list file itself when
// it is among them, are skipped. An SFV or MD5 list is in the ANSI code page when every name has
// an exact form there (and, on Windows, its bytes do not read as UTF-8), else UTF-8 with a
// byte-order mark; a list of the tools' form (SHA, BLAKE3) is UTF-8 without one; on POSIX names
// are written as the bytes they are. A file that cannot be read whole, or whose name a list line
// cannot carry, is left out and reported, never written with a made-up checksum. run is reset
// here (all but Busy) and drives the progress strip; its MessagePump runs between blocks. Throws
// FileError (Kind::Create) when the list cannot be stored. The bars end at 100 unless the run was
// aborted, which leaves them where they were.
CreateOutcome CreateListFile(const std::filesystem::path& listFileName, ListKind kind,
                             const std::filesystem::path& folder, const CreateSource& source,
                             RunState& run, CreateView* view);

// The warning after a list that left files out: their number, the list's name when given (the
// folder command makes several), the first 20 names with their reasons, "and N more" for the
// rest. Empty when nothing was left out.
ViewText LeftOutWarningText(const std::vector<LeftOutFile>& leftOut,
                            const std::filesystem::path& listFile = {});

} // namespace quillon

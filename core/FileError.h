#pragma once
#include "platform/OsError.h"
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quillon {

// "Cannot open file %s" / "Cannot create file %s": ends the command that raised it; the window
// shows it in its standard error box. Read ("Cannot read file %s") is a read that failed part way.
class FileError : public std::runtime_error {
public:
    enum class Kind { Open, Create, Read };
    FileError(Kind kind, const std::filesystem::path& path, platform::OsError reason = {});

    Kind kind() const { return kind_; }
    const std::filesystem::path& path() const { return path_; }
    const platform::OsError& reason() const { return reason_; }
    // The message with the path in the window's own text form.
    std::wstring WideMessage() const;
    // The message and, where the system gave one, ": " and its reason (what the console prints
    // and the window's boxes show).
    std::string MessageWithReason() const;
    std::wstring WideMessageWithReason() const;

private:
    Kind kind_;
    std::filesystem::path path_;
    platform::OsError reason_;
};

} // namespace quillon

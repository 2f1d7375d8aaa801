#include "core/FileError.h"

#include "platform/TextCodec.h"

namespace quillon {

namespace {
const char* Prefix(FileError::Kind kind) {
    switch (kind) {
    case FileError::Kind::Open: return "Cannot open file ";
    case FileError::Kind::Create: return "Cannot create file ";
    case FileError::Kind::Read: return "Cannot read file ";
    }
    return "";
}
} // namespace

FileError::FileError(Kind kind, const std::filesystem::path& path, platform::OsError reason)
    : std::runtime_error(Prefix(kind) + platform::Utf8FromPath(path)), kind_(kind), path_(path),
      reason_(std::move(reason)) {}

std::string FileError::MessageWithReason() const {
    std::string text = what();
    if (!reason_.text.empty())
        text += ": " + reason_.text;
    return text;
}

std::wstring FileError::WideMessageWithReason() const {
    std::wstring text = WideMessage();
    if (!reason_.text.empty())
        text += L": " + platform::WideFromListText(reason_.text, platform::ListEncoding::Utf8);
    return text;
}

std::wstring FileError::WideMessage() const {
    std::string prefix = Prefix(kind_);
    std::wstring text(prefix.begin(), prefix.end());
#ifdef _WIN32
    return text + path_.native();
#else
    return text + platform::WideFromListText(path_.native());
#endif
}

} // namespace quillon

#pragma once
#include "core/ListKind.h"
#include "platform/TextCodec.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// What a new list's text may hold and the encoding it is written in: the rules a create run and
// an update share, so that a list reads the same whichever of them wrote it last.
namespace quillon {

// Why a name cannot be an entry of a new list of kind (kNotRepresentable, kNameNotReadBack of
// CreateRun.h); nullptr when it can.
const char* UnlistableReason(const std::filesystem::path& name, ListKind kind);

struct NewListText {
    std::vector<std::string> lines;
    platform::ListEncoding encoding = platform::ListEncoding::CodePage;
};
// The lines linesIn gives for the encoding of a new list of kind: the ANSI code page while every
// name has an exact form there (namesFitCodePage) and, on Windows, its bytes do not read as
// UTF-8; UTF-8 otherwise, and always for the tools' form (SHA, BLAKE3).
NewListText
EncodeNewList(ListKind kind, bool namesFitCodePage,
              const std::function<std::vector<std::string>(platform::ListEncoding)>& linesIn);

} // namespace quillon

#pragma once
#include "core/Digest.h"

#include <string>
#include <string_view>

// Text from untrusted names and lists, made safe for the console's line formats.
namespace quillon::cli {

// Porcelain fields: "\" -> "\\", TAB -> "\t", CR -> "\r", LF -> "\n", so that every row is one
// line of exactly its fields. Rewrites text from position start to its end.
void EscapeFieldFrom(std::string& text, std::size_t start);

// A digest line as md5sum writes it: when the name holds "\", LF or CR, the line begins with "\"
// and those are written "\\", "\n" and "\r"; otherwise "TEXT NAME" unchanged, but for md5sum's
// mode blank before a name that begins with a blank or "*" ("TEXT  *x"). A digest of the SHA
// family or BLAKE3 has the mode blank before every name, as sha256sum and b3sum print it. On
// Windows, where "\" is the folder separator and names hold no line break, nothing is escaped.
std::string DigestLine(DigestKind kind, std::string_view digestText, std::string_view name);

// Human output: control bytes of a name reach a terminal as "?", never as escape sequences.
// Rewrites text from position start to its end.
void MaskControlsFrom(std::string& text, std::size_t start);

} // namespace quillon::cli

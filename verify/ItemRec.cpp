#include "verify/ItemRec.h"

namespace quillon {

std::string_view StatusName(std::int32_t status) {
    switch (status) {
    case StatusUnchecked: return "Unchecked";
    case StatusMissing: return "Missing";
    case StatusBad: return "Bad";
    case StatusGood: return "Good";
    }
    return {};
}

std::string NoteText(const EntryNote& note) {
    switch (note.kind) {
    case NoteKind::Unreadable:
        return "unreadable: " + note.text;
    case NoteKind::Unsupported:
        return "unsupported algorithm " + note.text;
    case NoteKind::Changed:
        return "changed";
    case NoteKind::Damaged:
        return "damaged";
    }
    return note.text;
}

std::string_view ExpectedText(const TItemRec& entry) {
    const std::string_view text = entry.Checksum;
    if (entry.Kind != ListKind::Unsupported)
        return text;
    const std::size_t blank = text.find(' ');
    return blank == text.npos ? std::string_view() : text.substr(blank + 1);
}

std::string_view UnsupportedAlgorithm(const TItemRec& entry) {
    if (entry.Kind != ListKind::Unsupported)
        return {};
    const std::string_view text = entry.Checksum;
    return text.substr(0, text.find(' '));
}

} // namespace quillon

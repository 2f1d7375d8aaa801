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
    case NoteKind::Differs:
        return {};
    }
    return note.text;
}

std::string_view ActualText(const TItemRec& entry) {
    if (entry.Status == StatusGood)
        return ExpectedText(entry);
    if (entry.Status != StatusBad || !entry.Note)
        return {};
    switch (entry.Note->kind) {
    case NoteKind::Changed:
    case NoteKind::Damaged:
    case NoteKind::Differs:
        return entry.Note->text;
    default:
        return {};
    }
}

std::string DigestTextInCaseOf(std::string_view digest, std::string_view expected) {
    bool lower = false, upper = false;
    for (const char c : expected) {
        lower = lower || (c >= 'a' && c <= 'z');
        upper = upper || (c >= 'A' && c <= 'Z');
    }
    std::string text(digest);
    if (lower == upper)
        return text;
    for (char& c : text) {
        if (lower && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
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

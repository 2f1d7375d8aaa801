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
    }
    return note.text;
}

} // namespace quillon

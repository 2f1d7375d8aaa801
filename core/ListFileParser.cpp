#include "core/FileError.h"
#include "core/ListFile.h"
#include "platform/Locale.h"
#include "util/EnhFunc.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

std::atomic<bool> Md5Mode{false};

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsTrimmed(s[i])) ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && IsTrimmed(s[n - 1])) --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// The first CR, LF or NUL from start, or npos. A NUL ends its line like a break: a binary or
// UTF-16 list then gives junk lines that end Missing, and never hides the lines after it.
// find_first_of would search the character set once for every byte of the list.
std::size_t LineEnd(std::string_view text, std::size_t start) {
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] == '\n' || text[i] == '\r' || text[i] == '\0')
            return i;
    return std::string_view::npos;
}

// "digest *name" (one or more blanks, with or without the binary-mode "*") -> "name digest",
// appended to out; the result is never longer than line plus one blank. Only a leading "*" is
// the marker: x*y is a name of its own, not xy.
std::string_view AppendMd5Line(std::string_view line, std::string& out) {
    std::size_t p = line.find(' ');
    std::string_view digest;
    std::string_view name = line;
    if (p != std::string_view::npos) {
        digest = Trim(line.substr(0, p));
        name = line.substr(p);
    }
    name = Trim(name);
    if (!name.empty() && name.front() == '*')
        name.remove_prefix(1);
    const std::size_t start = out.size();
    out.append(name);
    out.push_back(' ');
    out.append(digest);
    return std::string_view(out).substr(start);
}

// The keys met so far, in one buffer, found by open addressing on their hashes: a million lines
// cost no allocation and no scattered node each. A slot is 12 bytes (a list is at most 1 GiB, so
// offsets and lengths fit in 32 bits): the table of a long list is touched at random, and every
// page and cache line of it counts.
class SeenKeys {
public:
    explicit SeenKeys(std::size_t most) {
        std::size_t size = 16;
        while (size < most * 2) size *= 2; // at most half full: probe runs stay short
        slots_.resize(size);
        mask_ = size - 1;
    }

    static std::size_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }
    // Asks for the slot where a key of this hash is looked for first, a few keys ahead.
    void Prefetch(std::size_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

    // True when key is new (it is then remembered).
    bool Insert(std::string_view key, std::size_t hash) {
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.length == Empty) {
                slot = Slot{tag, static_cast<std::uint32_t>(keys_.size()),
                            static_cast<std::uint32_t>(key.size())};
                keys_.append(key);
                return true;
            }
            if (slot.tag == tag && std::string_view(keys_).substr(slot.offset, slot.length) == key)
                return false;
        }
    }

private:
    static constexpr std::uint32_t Empty = static_cast<std::uint32_t>(-1);
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t offset = 0;
        std::uint32_t length = Empty;
    };
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::string keys_;
};

} // namespace

bool IsMd5ListName(const std::filesystem::path& listFileName) {
    const auto name = listFileName.filename().native();
    auto dot = name.rfind('.');
    if (dot == name.npos || name.size() - dot != 4) return false;
    static const char lower[] = ".md5";
    for (std::size_t i = 0; i < 4; ++i)
        if (AsciiLower(name[dot + i]) != lower[i])
            return false;
    return true;
}

void ParseListText(std::string_view text, bool md5, ListLines& out) {
    out.normalised.clear();
    out.lines.clear();

    // Lines at CR LF, LF or CR; comment and empty lines go at once. SFV lines stay views into the
    // text; rewritten MD5 lines go into one buffer. Each is at most its line plus one blank, and
    // the lines with their ends fit in the text, so the buffer never grows past text + 1 and
    // never moves.
    std::vector<std::string_view> kept;
    if (md5) out.normalised.reserve(text.size() + 1);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = LineEnd(text, start);
        std::string_view line = text.substr(start, end == text.npos ? text.npos : end - start);
        if (!line.empty() && line.front() != ';') {
            if (md5) {
                kept.push_back(AppendMd5Line(line, out.normalised));
            } else {
                kept.push_back(line);
            }
        }
        if (end == text.npos) break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }

    // Trimming the text as a whole: blank lines before the first and after the last line with
    // content disappear, as do the outer ends of those two lines; inner lines keep theirs.
    std::size_t first = 0;
    while (first < kept.size() && TrimLeft(kept[first]).empty()) ++first;
    std::size_t last = kept.size();
    while (last > first && TrimRight(kept[last - 1]).empty()) --last;
    if (first < last) {
        kept[first] = TrimLeft(kept[first]);
        kept[last - 1] = TrimRight(kept[last - 1]);
    }

    // Duplicates: where file names ignore letter case, lines equal without regard to it name one
    // file, and their keys are equal exactly when the locale calls the lines equal. Elsewhere
    // f.bin and F.BIN are two files, each to be checked, and lines are compared byte for byte.
    // A hash table gives the result of comparing each line with every line kept before it.
    out.lines.reserve(last - first);
    SeenKeys seen(last - first);
    if (platform::FileNamesIgnoreCase) {
        std::string key;
        for (std::size_t i = first; i < last; ++i) {
            platform::IgnoreCaseKey(kept[i], key);
            if (seen.Insert(key, SeenKeys::Hash(key)))
                out.lines.push_back(kept[i]);
        }
        return;
    }
    // The lines are their keys: the slot of a line a few ahead is asked for while this one is
    // inserted, so that a long list does not wait for memory at every line.
    constexpr std::size_t Ahead = 8;
    std::size_t hashes[Ahead];
    for (std::size_t i = first; i < last && i < first + Ahead; ++i) {
        hashes[i % Ahead] = SeenKeys::Hash(kept[i]);
        seen.Prefetch(hashes[i % Ahead]);
    }
    for (std::size_t i = first; i < last; ++i) {
        const std::size_t hash = hashes[i % Ahead];
        if (i + Ahead < last) {
            hashes[i % Ahead] = SeenKeys::Hash(kept[i + Ahead]);
            seen.Prefetch(hashes[i % Ahead]);
        }
        if (seen.Insert(kept[i], hash))
            out.lines.push_back(kept[i]);
    }
}

void ParseListFile(const std::filesystem::path& listFileName, ListLines& out) {
    platform::OsError error;
    std::optional<std::string> bytes =
        platform::ReadWholeFile(listFileName, &error, MaxListFileSize);
    if (!bytes) throw FileError(FileError::Kind::Open, listFileName, error);
    const bool md5 = IsMd5ListName(listFileName);
    out.text = std::move(*bytes);
    ParseListText(out.text, md5, out);
    Md5Mode = md5;
}

ListEntryView SplitListLineView(std::string_view line) {
    std::size_t p = line.rfind(' ');
    if (p == line.npos) return ListEntryView{{}, line};
    return ListEntryView{StripQuotes(Trim(line.substr(0, p + 1))), line.substr(p + 1)};
}

std::string_view StripQuotes(std::string_view text) {
    // A lone quote is part of the name: q" is not q.
    if (text.size() > 1 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

} // namespace quillon

#include "core/FileError.h"
#include "core/ListFile.h"
#include "platform/Locale.h"
#include "platform/Processors.h"
#include "util/EnhFunc.h"
#include "util/LineKeys.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

std::atomic<bool> Md5Mode{false};
std::atomic<ListKind> LastListKind{ListKind::Sfv};

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

// Calls take(line) for every line that is neither empty nor a comment, in order. A line ends at
// CR LF, LF, CR or NUL.
template <typename Take> void ForEachLine(std::string_view text, Take take) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = LineEnd(text, start);
        const std::string_view line =
            text.substr(start, end == text.npos ? text.npos : end - start);
        if (!line.empty() && line.front() != ';')
            take(line);
        if (end == text.npos)
            break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

bool Within(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// md5sum's escapes undone: "\\" "\n" "\r"; any other backslash stays as written.
void AppendUnescaped(std::string_view s, std::string& out) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            const char next = s[i + 1];
            if (next == '\\' || next == 'n' || next == 'r') {
                c = next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
                ++i;
            }
        }
        out.push_back(c);
    }
}

std::string_view AppendView(std::string& out, std::string_view a, std::string_view b = {},
                            std::string_view c = {}) {
    const std::size_t start = out.size();
    out.append(a).append(b).append(c);
    return std::string_view(out).substr(start);
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// rhash's and md5sum's "ALGO (name) = digest", rhash padding the names of its algorithms with
// blanks. Short names only: no MD5 or longer hex digest can pass for one, so a digest-first line
// whose name looks like "(x) = y" stays what it is.
struct TagLine {
    std::string_view algorithm, name, value;
};
constexpr std::size_t kMaxTagLength = 24; // fits ListLineDetail::algorithmLength

std::optional<TagLine> MatchTag(std::string_view body) {
    if (body.empty() || !IsAsciiLetter(body.front()))
        return std::nullopt;
    std::size_t i = 0;
    while (i < body.size() && i <= kMaxTagLength &&
           (IsAsciiLetter(body[i]) || IsAsciiDigit(body[i]) || body[i] == '-' || body[i] == '_'))
        ++i;
    if (i > kMaxTagLength || i == body.size() || body[i] != ' ')
        return std::nullopt;
    TagLine tag;
    tag.algorithm = body.substr(0, i);
    while (i < body.size() && body[i] == ' ')
        ++i;
    if (i == body.size() || body[i] != '(')
        return std::nullopt;
    const std::size_t nameStart = i + 1;
    body = TrimRight(body);
    const std::size_t close = body.rfind(") = ");
    if (close == body.npos || close < nameStart)
        return std::nullopt;
    tag.value = body.substr(close + 4);
    if (tag.value.empty())
        return std::nullopt;
    // Hex, or the base32 and base64 some tools write.
    for (char c : tag.value)
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '/' && c != '=')
            return std::nullopt;
    tag.name = body.substr(nameStart, close - nameStart);
    return tag;
}

// A tag line as "name digest" with its kind from the tag; false when line is none.
bool AppendTagLine(std::string_view line, std::string& out, std::string_view& normal,
                   ListLineDetail& detail) {
    const bool escaped = line.front() == '\\';
    const std::optional<TagLine> tag = MatchTag(escaped ? line.substr(1) : line);
    if (!tag)
        return false;
    const std::optional<ListKind> kind = ListKindOfTag(tag->algorithm);
    detail.kind = kind.value_or(ListKind::Unsupported);
    detail.escaped = escaped;
    normal = AppendView(out, Trim(tag->name), " ", tag->value);
    if (!kind) {
        out.append(tag->algorithm);
        detail.algorithmLength = static_cast<std::uint8_t>(tag->algorithm.size());
    }
    if (escaped) {
        const std::size_t start = out.size();
        AppendUnescaped(tag->name, out);
        detail.name = std::string_view(out).substr(start);
    } else {
        detail.name = tag->name;
    }
    return true;
}

// "digest *name" (one or more blanks, with or without the binary-mode "*") -> "name digest",
// appended to out; never longer than line plus one blank (escaped lines: twice that). Only a
// leading "*" is the marker: x*y is a name of its own, not xy. The name as written is what
// md5sum reads: after the one blank, a blank or "*" marks the mode and the rest is the name.
std::string_view AppendDigestFirstLine(std::string_view line, std::string& out,
                                       ListLineDetail& detail) {
    detail.escaped = line.front() == '\\';
    const std::string_view body = detail.escaped ? line.substr(1) : line;
    const std::size_t p = body.find(' ');
    std::string_view digest;
    std::string_view name = body;
    std::string_view exact = body;
    if (p != std::string_view::npos) {
        digest = Trim(body.substr(0, p));
        name = body.substr(p);
        exact = body.substr(p + 1);
    }
    name = Trim(name);
    if (!name.empty() && name.front() == '*')
        name.remove_prefix(1);
    if (!exact.empty() && (exact.front() == '*' || (exact.front() == ' ' && p != body.npos)))
        exact.remove_prefix(1);
    const std::string_view normal = AppendView(out, name, " ", digest);
    if (detail.escaped) {
        const std::size_t start = out.size();
        AppendUnescaped(exact, out);
        detail.name = std::string_view(out).substr(start);
    } else {
        detail.name = exact;
    }
    return normal;
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

    // True when key is new (it is then remembered, as a copy).
    bool Insert(std::string_view key, std::size_t hash) { return Add(key, hash, true); }
    // The same for a key whose text stays where it is while this table lives.
    bool InsertKept(std::string_view key, std::size_t hash) { return Add(key, hash, false); }

private:
    bool Add(std::string_view key, std::size_t hash, bool copy) {
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.length == Empty) {
                slot = Slot{copy ? Copy(key) : key.data(), static_cast<std::uint32_t>(key.size()),
                            tag};
                return true;
            }
            if (slot.tag == tag && std::string_view(slot.text, slot.length) == key)
                return false;
        }
    }

    const char* Copy(std::string_view key) {
        if (key.size() > left_) {
            const std::size_t size = std::max<std::size_t>(key.size(), 1 << 16);
            blocks_.push_back(std::make_unique<char[]>(size));
            next_ = blocks_.back().get();
            left_ = size;
        }
        char* const text = next_;
        std::copy(key.begin(), key.end(), text);
        next_ += key.size();
        left_ -= key.size();
        return text;
    }

    static constexpr std::uint32_t Empty = static_cast<std::uint32_t>(-1);
    struct Slot {
        const char* text = nullptr;
        std::uint32_t length = Empty;
        std::uint32_t tag = 0;
    };
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

} // namespace

bool IsMd5ListName(const std::filesystem::path& listFileName) {
    return ListKindOfFile(listFileName) == ListKind::Md5;
}

void ParseListText(std::string_view bytes, ListKind kind, ListLines& out) {
    std::string converted;
    const platform::DecodedList decoded = platform::DecodeListBytes(bytes, converted);
    std::string_view text = decoded.text;
    if (text.empty()) {
        text = {};
    } else if (text.data() == converted.data()) {
        out.text = std::move(converted); // bytes may view the old out.text: not used from here
        text = out.text;
    }
    out.kind = kind;
    out.encoding = decoded.encoding;
    out.normalised.clear();
    out.lines.clear();
    out.details.clear();
    const LineLayout layout = KindInfo(kind).layout;

    // Rewritten lines and names go into one buffer, which is sized for the worst case first, so
    // that it never moves under the views into it: a digest-first or tag line takes at most its
    // length plus one, an escaped line twice that. Most lists hold neither "(" nor "\\": none of
    // their lines is a tag or escaped line, and one look at the text tells.
    const bool tagsOrEscapes = text.find('(') != text.npos || text.find('\\') != text.npos;
    std::size_t bound = layout == LineLayout::DigestFirst ? text.size() + 1 : 0;
    if (tagsOrEscapes) {
        bound = 0;
        ForEachLine(text, [&](std::string_view line) {
            if (line.front() == '\\')
                bound += 2 * line.size() + 2;
            else if (layout == LineLayout::DigestFirst || line.find('(') != line.npos)
                bound += line.size() + 1;
        });
    }
    out.normalised.reserve(bound);

    // Comment and empty lines go at once. Lines of the list's own layout that need no rewriting
    // (SFV) stay views into the text; their names as written are found once the outer ends are
    // trimmed, below.
    ForEachLine(text, [&](std::string_view line) {
        ListLineDetail detail;
        detail.kind = kind;
        std::string_view normal;
        if (tagsOrEscapes && AppendTagLine(line, out.normalised, normal, detail)) {
        } else if (layout == LineLayout::DigestFirst) {
            normal = AppendDigestFirstLine(line, out.normalised, detail);
        } else {
            normal = line;
            detail.name = line;
        }
        out.lines.push_back(normal);
        out.details.push_back(detail);
    });

    // Trimming the text as a whole: blank lines before the first and after the last line with
    // content disappear, as do the outer ends of those two lines; inner lines keep theirs.
    std::vector<std::string_view>& lines = out.lines;
    std::size_t first = 0;
    while (first < lines.size() && TrimLeft(lines[first]).empty())
        ++first;
    std::size_t last = lines.size();
    while (last > first && TrimRight(lines[last - 1]).empty())
        --last;
    if (first < last) {
        lines[first] = TrimLeft(lines[first]);
        lines[last - 1] = TrimRight(lines[last - 1]);
    }
    // A name-first line names what stands before the blank that precedes its checksum.
    if (layout == LineLayout::NameFirst) {
        for (std::size_t i = first; i < last; ++i) {
            if (!Within(lines[i], text))
                continue; // a tag line
            const std::string_view raw = out.details[i].name;
            const std::size_t p = lines[i].rfind(' ');
            const char* end = p == lines[i].npos ? raw.data() : lines[i].data() + p;
            out.details[i].name = raw.substr(0, static_cast<std::size_t>(end - raw.data()));
        }
    }

    // Duplicates: where file names ignore letter case, lines equal without regard to it name one
    // file, and their keys are equal exactly when the locale calls the lines equal. Elsewhere
    // f.bin and F.BIN are two files, each to be checked, and lines are compared byte for byte.
    // Lines that differ in kind, or in a name as written that differs from the trimmed one, are
    // no duplicates. A hash table gives the result of comparing each line with every line kept
    // before it.
    SeenKeys seen(last - first);
    // A line's key: the line (its case key where case is ignored), and for a line that differs
    // in kind or name as written, what else tells it apart (an unsupported tag's name as written,
    // TTH beside AICH), then the base's length: no two such keys are equal unless their parts
    // are, and none equals a plain key, which holds no NUL (Windows: no NUL but its last byte).
    auto keyOf = [&](std::size_t i, std::string& key, std::string& nameKey) -> std::string_view {
        const std::string_view line = lines[i];
        const ListLineDetail& d = out.details[i];
        std::string_view k = line;
        if (platform::FileNamesIgnoreCase) {
            platform::IgnoreCaseKey(line, key, out.encoding);
            k = key;
        }
        if (d.kind == kind && !d.escaped && d.name == SplitListLineView(line).name)
            return k;
        std::string_view name = d.name;
        if (platform::FileNamesIgnoreCase) {
            platform::IgnoreCaseKey(d.name, nameKey, out.encoding);
            name = nameKey;
        }
        const auto length = static_cast<std::uint32_t>(k.size());
        if (k.data() != key.data())
            key.assign(k);
        key.push_back('\0');
        key.push_back(static_cast<char>(d.kind));
        key.push_back(static_cast<char>(d.escaped));
        key.push_back(static_cast<char>(d.algorithmLength));
        key.append(line.data() + line.size(), d.algorithmLength);
        key.append(name);
        key.append(reinterpret_cast<const char*>(&length), sizeof length);
        return key;
    };
    std::size_t kept = 0;
    auto keep = [&](std::size_t i) {
        lines[kept] = lines[i];
        out.details[kept] = out.details[i];
        ++kept;
    };
    if (platform::FileNamesIgnoreCase) {
        // A case key comes from the locale, at microseconds each under Wine: a long list's keys
        // are made on every processor first, then taken in the lines' order.
        const std::size_t count = last - first;
        const std::size_t threads =
            count >= 2 * LineKeys::LinesPerRun ? platform::UsableProcessors() : 1;
        const LineKeys keys(count, threads,
                            [&](std::size_t j, std::string& key, std::string& nameKey) {
                                return keyOf(first + j, key, nameKey);
                            });
        for (std::size_t j = 0; j < count; ++j)
            if (seen.InsertKept(keys.Key(j), keys.HashOf(j)))
                keep(first + j);
    } else {
        std::string key, nameKey;
        // Most lines are their own keys: the slot of a line a few ahead is asked for while this
        // one is inserted, so that a long list does not wait for memory at every line.
        constexpr std::size_t Ahead = 8;
        std::size_t hashes[Ahead];
        for (std::size_t i = first; i < last && i < first + Ahead; ++i) {
            hashes[i % Ahead] = SeenKeys::Hash(lines[i]);
            seen.Prefetch(hashes[i % Ahead]);
        }
        for (std::size_t i = first; i < last; ++i) {
            std::size_t hash = hashes[i % Ahead];
            if (i + Ahead < last) {
                hashes[i % Ahead] = SeenKeys::Hash(lines[i + Ahead]);
                seen.Prefetch(hashes[i % Ahead]);
            }
            const std::string_view k = keyOf(i, key, nameKey);
            // A line is its own key and stays where it is; a made key is copied.
            const bool own = k.data() == lines[i].data();
            if (!own)
                hash = SeenKeys::Hash(k);
            if (own ? seen.InsertKept(k, hash) : seen.Insert(k, hash))
                keep(i);
        }
    }
    lines.resize(kept);
    out.details.resize(kept);
}

void ParseListFile(const std::filesystem::path& listFileName, ListLines& out) {
    platform::OsError error;
    std::optional<std::string> bytes =
        platform::ReadWholeFile(listFileName, &error, MaxListFileSize);
    if (!bytes) throw FileError(FileError::Kind::Open, listFileName, error);
    const ListKind kind = ListKindOfFile(listFileName);
    out.text = std::move(*bytes);
    ParseListText(out.text, kind, out);
    Md5Mode = kind == ListKind::Md5;
    LastListKind = kind;
}

ListEntry ListEntryAt(const ListLines& lines, std::size_t i) {
    const ListLineDetail& d = lines.details[i];
    const ListEntryView split = SplitListLineView(lines.lines[i]);
    const std::string_view line = lines.lines[i];
    // The whole-text trim leaves the end of a tag line, its digest, where it was.
    const std::string_view algorithm(line.data() + line.size(), d.algorithmLength);
    return ListEntry{d.name,   d.escaped ? d.name : split.name, split.checksum, algorithm, d.kind,
                     d.escaped};
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

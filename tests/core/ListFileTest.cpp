#include "core/ListFile.h"
#include "core/FileError.h"
#include "platform/Locale.h"
#include "platform/TextCodec.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quillon {
namespace {

using Lines = std::vector<std::string>;
using Entries = std::vector<std::pair<std::string, std::string>>;

Lines Parse(std::string_view text, bool md5) {
    ListLines parsed;
    ParseListText(text, md5, parsed);
    return Lines(parsed.lines.begin(), parsed.lines.end());
}

Entries Split(const Lines& lines) {
    Entries e;
    for (const auto& line : lines) {
        const ListEntryView entry = SplitListLineView(line);
        e.emplace_back(entry.name, entry.checksum);
    }
    return e;
}

Entries ParseEntries(std::string_view text, bool md5) {
    return Split(Parse(text, md5));
}

// Shows control bytes, so a failing case says which blank or break differs.
std::string Visible(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const std::string Abc = "900150983CD24FB0D6963F7D28E17F72";

TEST(ListFileParse, SfvLines) {
    struct Case {
        const char* why;
        std::string text;
        Entries entries;
    } cases[] = {
        {"plain", "my file.txt 352441C2", {{"my file.txt", "352441C2"}}},
        {"checksum case kept", "my file.txt 352441c2", {{"my file.txt", "352441c2"}}},
        {"inner line ending in a blank",
         "my file.txt 352441C2 \r\nb 1",
         {{"my file.txt 352441C2", ""}, {"b", "1"}}},
        {"last line ending in a blank",
         "a 1\r\nmy file.txt 352441C2 ",
         {{"a", "1"}, {"my file.txt", "352441C2"}}},
        {"quoted name", "\"my  file.txt\" 352441C2", {{"my  file.txt", "352441C2"}}},
        {"no blank: the whole line is the checksum",
         "a 1\r\nnoblank\r\nb 2",
         {{"a", "1"}, {"", "noblank"}, {"b", "2"}}},
        {"tab is no separator", "a\tb 1\r\nc\t2", {{"a\tb", "1"}, {"", "c\t2"}}},
        {"name trimmed, checksum not", "a   \x01 1", {{"a", "1"}}},
        {"split at the last blank", "a b  c d", {{"a b  c", "d"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseEntries(c.text, false), c.entries) << c.why;
}

TEST(ListFileParse, CommentAndEmptyLines) {
    struct Case {
        const char* why;
        std::string text;
        Lines lines;
    } cases[] = {
        {"comments and empty lines go", "; x\r\n;\r\n\r\na 1\r\n;a 2\r\n\r\n", {"a 1"}},
        {"blanks before ';': an entry", "a 1\r\n  ;x 2\r\nb 3", {"a 1", "  ;x 2", "b 3"}},
        {"blanks before ';' on the first line: trimmed with the text",
         "  ;x 2\r\nb 3",
         {";x 2", "b 3"}},
        {"blank-only inner line stays", "a 1\r\n   \r\nb 2", {"a 1", "   ", "b 2"}},
        {"blank-only outer lines go", "  \r\n \r\na 1\r\n \r\n\t\r\n", {"a 1"}},
        {"whole-text trim only at the outer ends",
         "  a 1  \r\n b 2 \r\n c 3  \r\n",
         {"a 1  ", " b 2 ", " c 3"}},
        {"control characters count as blanks when trimming", "\x01\x02 a 1\x1f\r\n", {"a 1"}},
        {"nothing but comments", ";a\r\n;b", {}},
        {"empty text", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.text, false), c.lines) << c.why;
    // A blank-only line is an entry with an empty name.
    EXPECT_EQ(ParseEntries("a 1\r\n   \r\nb 2", false),
              (Entries{{"a", "1"}, {"", ""}, {"b", "2"}}));
}

TEST(ListFileParse, Md5LineForms) {
    // One blank, two blanks, the binary-mode "*": all the same entry.
    const std::string forms[] = {
        Abc + " readme.txt",   Abc + "  readme.txt",  Abc + " *readme.txt",
        Abc + "  *readme.txt", Abc + " readme.txt\t",
    };
    for (const auto& form : forms) {
        EXPECT_EQ(Parse(form, true), (Lines{"readme.txt " + Abc})) << Visible(form);
        EXPECT_EQ(ParseEntries("x y\r\n" + form + "\r\nz w", true)[1],
                  std::make_pair(std::string("readme.txt"), Abc))
            << Visible(form);
    }

    struct Case {
        const char* why;
        std::string text;
        Entries entries;
    } cases[] = {
        // Only the binary-mode marker goes: x*y is no other name for xy.
        {"only a leading '*' goes", "D *a*b*.txt", {{"a*b*.txt", "D"}}},
        {"inner '*' kept", "D x*y\r\nD **z", {{"x*y", "D"}, {"*z", "D"}}},
        {"'*' in a line without a blank",
         "D a\r\n*x*\r\nD b",
         {{"a", "D"}, {"x*", ""}, {"b", "D"}}},
        {"name with blanks", "D my  file.txt", {{"my  file.txt", "D"}}},
        {"no blank, inner line: the whole line is the name",
         "D a\r\nnoblank\r\nD b",
         {{"a", "D"}, {"noblank", ""}, {"b", "D"}}},
        {"blank-only inner line", "D a\r\n   \r\nD b", {{"a", "D"}, {"", ""}, {"b", "D"}}},
        {"digest trimmed",
         "\x01"
         "D\x01 a",
         {{"a", "D"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseEntries(c.text, true), c.entries) << c.why;
}

TEST(ListFileParse, LineBreaksAllGiveTheSameLines) {
    const Lines expected = {"a 1", "b 2", "c 3"};
    const std::string texts[] = {
        "a 1\r\nb 2\r\nc 3\r\n", "a 1\r\nb 2\r\nc 3", "a 1\nb 2\nc 3\n",   "a 1\nb 2\nc 3",
        "a 1\rb 2\rc 3\r",       "a 1\rb 2\rc 3",     "a 1\r\nb 2\nc 3\r", "a 1\n\rb 2\r\r\nc 3",
    };
    for (const auto& text : texts) {
        EXPECT_EQ(Parse(text, false), expected) << Visible(text);
        EXPECT_EQ(Parse(text, true), (Lines{"1 a", "2 b", "3 c"})) << Visible(text);
    }
}

// A NUL ends its line, never the text: nothing after it can hide from a check.
TEST(ListFileParse, NulEndsItsLine) {
    using namespace std::string_literals;
    struct Case {
        std::string text;
        Lines lines;
    } cases[] = {
        {"a 1\r\nb 2\0\r\nc 3"s, {"a 1", "b 2", "c 3"}},
        {"a 1\r\nb\0 2\r\nc 3"s, {"a 1", "b", " 2", "c 3"}},
        {"f 1\r\n; c \0\r\ng 2"s, {"f 1", "g 2"}},
        {"\0a 1"s, {"a 1"}},
        {"a 1\0"s, {"a 1"}},
        {"a 1\0\0\0b 2"s, {"a 1", "b 2"}},
        // UTF-16 without its mark: every other byte a NUL; junk lines, none of them lost.
        {"a\0 \0"
         "1\0\r\0\n\0"s,
         {"a", " ", "1"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parse(c.text, false), c.lines) << Visible(c.text);
        for (const auto& line : Parse(c.text, true))
            EXPECT_EQ(line.find('\0'), std::string::npos) << Visible(c.text);
    }
}

// A byte-order mark tells the encoding and is no part of the first line.
TEST(ListFileParse, ByteOrderMarkIsNotPartOfTheFirstLine) {
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(Parse(bom + "; comment\r\na 1", false), (Lines{"a 1"}));
    EXPECT_EQ(Parse("; comment\r\na 1", false), (Lines{"a 1"}));
    EXPECT_EQ(Parse(bom + "a 1", false), (Lines{"a 1"}));
}

// One entry line amid two others of its list's own form, so that no whole-text trim reaches it.
ListEntry EntryOf(ListKind kind, const std::string& line, ListLines& parsed) {
    const bool nameFirst = KindInfo(kind).layout == LineLayout::NameFirst;
    const std::string pad = nameFirst ? "p 1\r\n" : "1 p\r\n";
    static std::string text; // the views outlive the call
    text = pad + line + "\r\n" + (nameFirst ? "q 2" : "2 q");
    ParseListText(text, kind, parsed);
    EXPECT_EQ(parsed.lines.size(), 3u) << Visible(line);
    return parsed.lines.size() == 3 ? ListEntryAt(parsed, 1) : ListEntry{};
}

// Lines as md5sum, rhash, cksfv and hand editing write them: the name as written, the trimmed
// name, the checksum, and the kind (from a BSD tag whatever the list's kind).
TEST(ListFileParse, ForeignLineForms) {
    const std::string md5 = "900150983cd24fb0d6963f7d28e17f72";
    const auto S = ListKind::Sfv, M = ListKind::Md5, U = ListKind::Unsupported;
    struct Case {
        const char* why;
        ListKind list;
        std::string line;
        std::string name, trimmed, checksum;
        ListKind kind;
        std::string algorithm = "";
        bool escaped = false;
    } cases[] = {
        {"md5sum text mode", M, md5 + "  a b", "a b", "a b", md5, M},
        {"md5sum binary mode", M, md5 + " *a b", "a b", "a b", md5, M},
        {"leading blank", M, md5 + "   lead", " lead", "lead", md5, M},
        {"trailing blank", M, md5 + "  trail ", "trail ", "trail", md5, M},
        {"a star after the mode blank is the name's", M, md5 + "  *x", "*x", "x", md5, M},
        {"quotes are the name's as written", M, md5 + "  \"q\"", "\"q\"", "q", md5, M},
        {"escaped", M, "\\" + md5 + "  a\\\\b\\nc\\rd", "a\\b\nc\rd", "a\\b\nc\rd", md5, M, "",
         true},
        {"other escapes stay", M, "\\" + md5 + "  x\\ty\\", "x\\ty\\", "x\\ty\\", md5, M, "", true},
        {"escaped, leading blank", M, "\\" + md5 + "   \\\\", " \\", " \\", md5, M, "", true},
        {"SFV leading blank", S, " lead 352441C2", " lead", "lead", "352441C2", S},
        {"SFV trailing blank", S, "trail  352441C2", "trail ", "trail", "352441C2", S},
        {"SFV quotes", S, "\"a b\" 352441C2", "\"a b\"", "a b", "352441C2", S},
        {"md5sum --tag", S, "MD5 (a b) = " + md5, "a b", "a b", md5, M},
        {"tag in an MD5 list", M, "CRC32 (a) = 352441c2", "a", "a", "352441c2", S},
        {"rhash's padded tag", M, "SHA1  (a) = a9993e364706816aba3e25717850c26c9cd0d89d", "a", "a",
         "a9993e364706816aba3e25717850c26c9cd0d89d", ListKind::Sha1},
        {"tag in any case, with a hyphen", S, "sha-256 (a) = ab", "a", "a", "ab", ListKind::Sha256},
        {"name holding ') = '", S, "MD5 (a) = (b) = ab", "a) = (b", "a) = (b", "ab", M},
        {"tag name with blanks", S, "MD5 ( a ) = ab", " a ", "a", "ab", M},
        {"escaped tag", S, "\\MD5 (a\\nb) = ab", "a\nb", "a\nb", "ab", M, "", true},
        {"unsupported tag", S, "SHA3-256 (a) = ab", "a", "a", "ab", U, "SHA3-256"},
        {"base32 of an unsupported tag", M, "TTH (a) = lwpnacq", "a", "a", "lwpnacq", U, "TTH"},
        // Not tags: the line is of its list's layout.
        {"value with a blank", S, "MD5 (a) = ab 1", "MD5 (a) = ab", "MD5 (a) = ab", "1", S},
        {"value not a digest", S, "MD5 (a) = a!b", "MD5 (a) =", "MD5 (a) =", "a!b", S},
        {"no blank before the parenthesis", S, "MD5(a) = ab", "MD5(a) =", "MD5(a) =", "ab", S},
        {"no name in parentheses", S, "MD5 a = ab", "MD5 a =", "MD5 a =", "ab", S},
        {"a digest is no tag", M, md5 + "  (x) = 1", "(x) = 1", "(x) = 1", md5, M},
        {"tag name too long", S, std::string(25, 'A') + " (a) = 1",
         std::string(25, 'A') + " (a) =", std::string(25, 'A') + " (a) =", "1", S},
    };
    for (const auto& c : cases) {
        ListLines parsed;
        const ListEntry e = EntryOf(c.list, c.line, parsed);
        EXPECT_EQ(Visible(e.name), Visible(c.name)) << c.why;
        EXPECT_EQ(Visible(e.trimmedName), Visible(c.trimmed)) << c.why;
        EXPECT_EQ(e.checksum, c.checksum) << c.why;
        EXPECT_EQ(e.kind, c.kind) << c.why;
        EXPECT_EQ(e.algorithm, c.algorithm) << c.why;
        EXPECT_EQ(e.escaped, c.escaped) << c.why;
    }
}

// Lines that name one file go, the first staying. Where names ignore case (Windows) that is
// without regard to case; on POSIX f.bin and F.BIN are two files and both must be checked.
TEST(ListFileParse, DuplicatesFirstKept) {
    const bool fold = platform::FileNamesIgnoreCase;
    struct Case {
        const char* why;
        std::string text;
        bool md5;
        Lines lines;
        Lines exactLines; // where case matters, when other
    } cases[] = {
        {"identical", "a.txt 1\r\na.txt 1", false, {"a.txt 1"}, {}},
        {"case only",
         "a.txt ab\r\nA.TXT AB\r\nA.txt aB\r\na.txt ab",
         false,
         {"a.txt ab"},
         {"a.txt ab", "A.TXT AB", "A.txt aB"}},
        {"first of each group, in order",
         "b 2\r\na 1\r\nB 2\r\nc 3\r\nA 1\r\na 1",
         false,
         {"b 2", "a 1", "c 3"},
         {"b 2", "a 1", "B 2", "c 3", "A 1"}},
        {"same name, other checksum: both", "a 1\r\na 2\r\na 1", false, {"a 1", "a 2"}, {}},
        {"blanks count", "a 1\r\na  1\r\na 1", false, {"a 1", "a  1"}, {}},
        {"equal after MD5 normalisation", "D a\r\nD  a\r\nD *a", true, {"a D"}, {}},
        // md5sum reads "D  *a" as the name *a: not the same file as a.
        {"same trimmed name, other name as written", "D  *a\r\nD *a", true, {"a D", "a D"}, {}},
        {"other kinds, other unsupported tags",
         "TTH (a) = 1\r\nAICH (a) = 1\r\nMD5 (a) = 1\r\na 1\r\nTTH (a) = 1",
         false,
         {"a 1", "a 1", "a 1", "a 1"},
         {}},
        {"equal after the whole-text trim", "a 1\r\nb 2\r\na 1   ", false, {"a 1", "b 2"}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.text, c.md5), fold || c.exactLines.empty() ? c.lines : c.exactLines)
            << c.why;
}

TEST(ListFileParse, SplitAndStripQuotes) {
    struct Split {
        std::string line, name, checksum;
    } splits[] = {
        {"", "", ""},
        {" ", "", ""},
        {"abc", "", "abc"},
        {"a b", "a", "b"},
        {"a b ", "a b", ""},
        {" a  b", "a", "b"},
        {"\"a b\" 1", "a b", "1"},
        {"\"a\"\" 1", "a\"", "1"},
        {"\" 1", "\"", "1"},
        {"a \tX", "a", "\tX"},
        // A lone quote is part of the name: q" and "r are not q and r.
        {"q\" 1", "q\"", "1"},
        {"\"r 1", "\"r", "1"},
        {" \"my file\"  1", "my file", "1"},
    };
    for (const auto& s : splits) {
        const ListEntryView e = SplitListLineView(s.line);
        EXPECT_EQ(e.name, s.name) << "'" << Visible(s.line) << "'";
        EXPECT_EQ(e.checksum, s.checksum) << "'" << Visible(s.line) << "'";
    }
    struct Strip {
        std::string in, out;
    } strips[] = {
        {"", ""},       {"\"", "\""},   {"\"\"", ""}, {"\"\"\"", "\""},       {"\"a\"", "a"},
        {"\"a", "\"a"}, {"a\"", "a\""}, {"a", "a"},   {"\"\"a\"\"", "\"a\""}, {"a\"b", "a\"b"},
    };
    for (const auto& s : strips)
        EXPECT_EQ(StripQuotes(s.in), s.out) << s.in;
}

TEST(ListFileName, KindFromTheExtensionAlone) {
    struct Case {
        const char* name;
        bool md5;
    } cases[] = {
        {"LIST.MD5", true},      {"list.md5", true},          {"x.Md5", true},
        {".md5", true},          {"a.b.md5", true},           {"dir.sfv/list.md5", true},
        {"list.txt", false},     {"list.sfv", false},         {"list", false},
        {"list.md5.txt", false}, {"list.md55", false},        {"list.md", false},
        {"listmd5", false},      {"dir.md5/list.sfv", false}, {"dir.md5/list", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMd5ListName(c.name), c.md5) << c.name;
}

TEST(ListKinds, TheTable) {
    for (const ListKindInfo& k : ListKinds()) {
        EXPECT_EQ(&KindInfo(k.kind), &k);
        EXPECT_EQ(k.digestChars, k.digest ? 2 * DigestSize(*k.digest) : 0) << k.name;
        for (std::string_view tag : k.tags)
            EXPECT_EQ(ListKindOfTag(tag), k.kind) << tag;
    }
    for (const char* unknown : {"SHA3-256", "TTH", "CRC32C", "SHA224", ""})
        EXPECT_FALSE(ListKindOfTag(unknown)) << unknown;
    EXPECT_EQ(ListKindOfTag("Sha-256"), ListKind::Sha256);
}

class ListFileTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = Md5Mode; }
    void TearDown() override { Md5Mode = saved_; }
    test::TempDir dir;

private:
    bool saved_ = false;
};

TEST_F(ListFileTest, ParseListFileSetsTheKindAndReplacesTheLines) {
    const std::string md5Text = Abc + " *a.txt\r\n" + Abc + " b.txt\r\n";
    const std::string sfvText = "; c\r\na.txt 352441C2\r\n";
    struct Case {
        const char* name;
        const std::string& text;
        bool md5;
        Lines lines;
    } cases[] = {
        {"LIST.MD5", md5Text, true, {"a.txt " + Abc, "b.txt " + Abc}},
        {"list.txt", md5Text, false, {Abc + " *a.txt", Abc + " b.txt"}},
        {"list.sfv", sfvText, false, {"a.txt 352441C2"}},
        {"x.md5", sfvText, true, {"352441C2 a.txt"}},
    };
    for (const auto& c : cases) {
        Md5Mode = !c.md5;
        ListLines parsed;
        ParseListFile(dir.Write(c.name, c.text), parsed);
        EXPECT_EQ(Md5Mode, c.md5) << c.name;
        EXPECT_EQ(Lines(parsed.lines.begin(), parsed.lines.end()), c.lines) << c.name;
    }
}

TEST_F(ListFileTest, UnreadableListFileThrowsAndChangesNothing) {
    // Over the size limit: refused at once, not read into memory.
    const auto huge = dir.Write("huge.md5", "");
    std::filesystem::resize_file(huge, MaxListFileSize + 1);
    const std::filesystem::path targets[] = {dir / "missing.md5", dir / "sub.md5", huge};
    std::filesystem::create_directory(dir / "sub.md5");
    for (const auto& target : targets) {
        for (bool before : {false, true}) {
            Md5Mode = before;
            ListLines parsed;
            parsed.text = "kept 1";
            parsed.lines = {parsed.text};
            try {
                ParseListFile(target, parsed);
                ADD_FAILURE() << "no error for " << target;
            } catch (const FileError& e) {
                EXPECT_EQ(e.kind(), FileError::Kind::Open);
                EXPECT_EQ(std::string(e.what()),
                          "Cannot open file " + platform::Utf8FromPath(target));
                EXPECT_FALSE(e.reason().text.empty()) << target;
            }
            EXPECT_EQ(parsed.text, "kept 1");
            EXPECT_EQ(parsed.lines, (std::vector<std::string_view>{parsed.text}));
            EXPECT_EQ(Md5Mode, before);
        }
    }
}

// A name the writer can produce (no blank or ";" first, no blank last, none of the characters
// file names cannot hold) must come back unchanged, with its checksum.
std::vector<std::string> RandomNames(std::size_t count, unsigned seed) {
    static const std::string alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ._-()[]{}!#$%&'+,=@^~;";
    std::mt19937 gen(seed);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        std::string name(1, alphabet[gen() % 62]);
        const std::size_t length = gen() % 30;
        for (std::size_t k = 0; k < length; ++k)
            name += alphabet[gen() % alphabet.size()];
        name.append("_").append(std::to_string(i)); // distinct whatever the case
        if (gen() % 3 == 0)
            name += ".bin";
        names.push_back(name);
    }
    return names;
}

TEST(ListFileRoundTrip, WrittenListsReadBack) {
    const auto names = RandomNames(300, 51);
    std::mt19937 gen(52);
    std::vector<std::string> crcs, md5s;
    for (std::size_t i = 0; i < names.size(); ++i) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(gen()));
        crcs.push_back(crc);
        std::string md5;
        for (int k = 0; k < 4; ++k) {
            char part[9];
            std::snprintf(part, sizeof part, "%08X", static_cast<unsigned>(gen()));
            md5 += part;
        }
        md5s.push_back(md5);
    }
    platform::FileLookup file;
    file.size = 1234;
    file.lastWriteTime = 127000000000000000LL;

    Lines sfv = {SfvHeaderLine(platform::LocalTime{2026, 12, 8, 7, 45, 12}), ";"};
    for (const auto& name : names)
        sfv.push_back(FileInfoComment(file, name));
    for (std::size_t i = 0; i < names.size(); ++i)
        sfv.push_back(SfvEntryLine(names[i], crcs[i]));
    Lines md5;
    for (std::size_t i = 0; i < names.size(); ++i)
        md5.push_back(Md5EntryLine(md5s[i], names[i]));

    Entries sfvExpected, md5Expected;
    for (std::size_t i = 0; i < names.size(); ++i) {
        sfvExpected.emplace_back(names[i], crcs[i]);
        md5Expected.emplace_back(names[i], md5s[i]);
    }
    EXPECT_EQ(ParseEntries(ListFileBytes(sfv), false), sfvExpected);
    EXPECT_EQ(ParseEntries(ListFileBytes(md5), true), md5Expected);
}

// Names of every awkward form come back as themselves from the line EntryLine writes, and plain
// names are written as SfvEntryLine and Md5EntryLine write them.
TEST(ListFileRoundTrip, EntryLinesReadBackAsTheirNames) {
    const std::string names[] = {
        "plain.txt",
        " lead",
        "trail ",
        "  both  ",
        "*star",
        "**",
        "a*b",
        "\"quoted\"",
        "q\"",
        "caf\xC3\xA9",
        "\xE6\x97\xA5 \xF0\x9F\x98\x80",
        "sub/x",
        "a\\b",
        "a\nb",
        "c\rd",
        "\\n",
        "tab\tname",
        "(x) = 1",
        "MD5 (x) =",
        ";semi",
        " ;semi",
    };
    for (const std::string& name : names) {
        for (ListKind kind : {ListKind::Sfv, ListKind::Md5}) {
            const bool md5 = kind == ListKind::Md5;
            const std::string digest = md5 ? Abc : "352441C2";
            const std::string line = EntryLine(kind, digest, name);
            // SFV has no escapes: a line break splits its line, and a leading ";" or a tag's
            // look changes what it is. The writer leaves such names out.
            const bool sfvCannot =
                name.find_first_of("\r\n") != name.npos || name[0] == ';' || name == "MD5 (x) =";
            if (!md5 && sfvCannot)
                continue;
            ListLines parsed;
            const ListEntry e = EntryOf(kind, line, parsed);
            EXPECT_EQ(Visible(e.name), Visible(name)) << Visible(line);
            EXPECT_EQ(e.checksum, digest) << Visible(line);
            EXPECT_EQ(e.kind, kind) << Visible(line);
        }
    }
    EXPECT_EQ(EntryLine(ListKind::Sfv, "352441C2", "a b"), SfvEntryLine("a b", "352441C2"));
    EXPECT_EQ(EntryLine(ListKind::Md5, Abc, "a b"), Md5EntryLine(Abc, "a b"));
    EXPECT_EQ(EntryLine(ListKind::Md5, Abc, " a"), Abc + "   a");
    EXPECT_EQ(EntryLine(ListKind::Md5, Abc, "a\nb"), "\\" + Abc + " a\\nb");
    EXPECT_EQ(ListFileBytes({"a"}, platform::ListEncoding::Utf8), "\xEF\xBB\xBF"
                                                                  "a\r\n");
    EXPECT_EQ(ListFileBytes({"a"}), "a\r\n");
}

TEST(ListFileRoundTrip, NameStartingWithSemicolonIsDroppedAsAComment) {
    Lines lines = {SfvEntryLine(";odd.txt", "352441C2"), SfvEntryLine("b.txt", "00000000")};
    EXPECT_EQ(ParseEntries(ListFileBytes(lines), false), (Entries{{"b.txt", "00000000"}}));
}

// Whatever the bytes, parsing ends, and what comes out is made of whole lines: no breaks or NULs
// inside, no empty line, no blank at the outer ends of the text.
void ExpectWellFormed(const Lines& lines, bool md5, const char* what) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_FALSE(line.empty()) << what << " line " << i;
        ASSERT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos)
            << what << " line " << i;
        // The outer lines may have lost their blank to the whole-text trim.
        if (md5 && i > 0 && i + 1 < lines.size()) {
            ASSERT_NE(line.find(' '), std::string::npos) << what << " line " << i;
        }
        SplitListLineView(line);
    }
    if (!lines.empty()) {
        EXPECT_GT(static_cast<unsigned char>(lines.front().front()), 0x20) << what;
        EXPECT_GT(static_cast<unsigned char>(lines.back().back()), 0x20) << what;
    }
}

TEST(ListFileHostile, RandomBytes) {
    for (unsigned seed = 0; seed < 8; ++seed) {
        std::string junk = test::RandomBytes(200000, 60 + seed);
        // Fewer NULs, so most of the junk is read at all.
        for (auto& c : junk)
            if (c == '\0')
                c = ' ';
        junk[junk.size() / 2 + seed] = '\0';
        for (bool md5 : {false, true}) {
            const Lines lines = Parse(junk, md5);
            EXPECT_FALSE(lines.empty());
            ExpectWellFormed(lines, md5, md5 ? "md5" : "sfv");
        }
    }
}

TEST(ListFileHostile, HugeLinesSeparatorsAndBreaks) {
    const std::size_t big = 6u << 20;
    struct Case {
        const char* why;
        std::string text;
        std::size_t sfvLines; // lines an SFV parse gives
    } cases[] = {
        {"one huge name", std::string(big, 'a') + " 1", 1},
        {"one huge run of blanks inside", std::string("a").append(big, ' ').append("1"), 1},
        {"only blanks", std::string(big, ' '), 0},
        {"only CRs", std::string(big, '\r'), 0},
        {"only LFs", std::string(big, '\n'), 0},
        {"only stars", std::string(big, '*'), 1},
        {"many CRs between entries", "a 1" + std::string(big, '\r') + "b 2", 2},
        {"many short lines",
         [] {
             std::string s;
             for (int i = 0; i < 300000; ++i)
                 s += "x\r";
             return s;
         }(),
         1},
    };
    for (const auto& c : cases) {
        const Lines sfv = Parse(c.text, false);
        EXPECT_EQ(sfv.size(), c.sfvLines) << c.why;
        ExpectWellFormed(sfv, false, c.why);
        ExpectWellFormed(Parse(c.text, true), true, c.why);
    }
}

// Each line compared with every line kept before it: the obvious form of the duplicate rule.
Lines QuadraticUnique(const Lines& lines) {
    Lines kept;
    for (const auto& line : lines) {
        bool seen = false;
        for (const auto& k : kept)
            if (platform::FileNamesIgnoreCase ? platform::CompareTextIgnoreCase(line, k) == 0
                                              : line == k) {
                seen = true;
                break;
            }
        if (!seen)
            kept.push_back(line);
    }
    return kept;
}

TEST(ListFileDuplicates, SameResultAsComparingWithEveryKeptLine) {
    // Few distinct pieces in random case, so most lines have duplicates: ASCII, Latin-1 and UTF-8
    // letters in both cases, and punctuation some comparisons treat specially.
    const std::vector<std::string> pieces = {
        "a",    "A",    "b",        "B",        "z",        "Z",        "0",    "-",
        "'",    "_",    ".",        "\xE9",     "\xC9",     "\xE0",     "\xC0", "\xFF",
        "\xDF", "\xAD", "\xC3\xA9", "\xC3\x89", "\xC3\x9F", "\xCE\xA3",
    };
    std::mt19937 gen(70);
    Lines lines;
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        const int length = gen() % 10 == 0 ? 3 : 1 + static_cast<int>(gen() % 2);
        for (int k = 0; k < length; ++k)
            name += pieces[gen() % pieces.size()];
        lines.push_back(name + " " + pieces[gen() % 6]);
    }
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    const Lines expected = QuadraticUnique(lines);
    EXPECT_LT(expected.size(), lines.size());
    EXPECT_EQ(Parse(text, false), expected);
}

TEST(ListFileDuplicates, ManyLinesDoNotTakeQuadraticTime) {
#if defined(_WIN32)
    const int count = 100000; // the locale's sort keys under Wine cost more; no time bound there
#else
    const int count = 1000000;
#endif
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 24);
    char line[40];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "file%07d.bin %08X\r\n", i,
                      static_cast<unsigned>(i) * 2654435761u);
        text += line;
    }
    const auto start = std::chrono::steady_clock::now();
    const Lines lines = Parse(text, false);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(lines.front().substr(0, 16), "file0000000.bin ");
    EXPECT_EQ(lines.back().substr(0, 4), "file");
    // The same lines again (in upper case where names ignore it), after the originals: every
    // one of them must go.
    std::string again = text;
    if (platform::FileNamesIgnoreCase)
        for (auto& c : again)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
    EXPECT_EQ(Parse(text + again, false), lines);
#if defined(NDEBUG) && !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(seconds, 3.0) << "duplicate removal of " << count << " lines";
#else
    (void)seconds;
#endif
}

} // namespace
} // namespace quillon

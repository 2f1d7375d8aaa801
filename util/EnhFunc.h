#pragma once
// Small text, size, mask and path routines shared by the window side and the list parser.
// 8-bit list text is std::string, window text std::wstring; routines that serve both have an
// overload for each, sharing one implementation. The Win32-only ones live in
// util/win32/EnhFuncWin32.h.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Size display modes of FormatSize; any other value behaves as Auto.
inline constexpr int SizeModeAuto = 0;
inline constexpr int SizeModeKB = 1;
inline constexpr int SizeModeBytes = 2;

// The text of the size column: "1,023 bytes", "4 KB", "1.50 MB"... with the user's separators.
// FormatSize(...) gives window text, FormatSize<char>(...) 8-bit text.
template <typename Char = wchar_t>
std::basic_string<Char> FormatSize(int mode, bool appendUnit, double value);

// value with the user's thousands and decimal separators and the given number of decimals,
// rounded to nearest (halves away from zero).
template <typename Char = wchar_t>
std::basic_string<Char> FormatNumber(double value, int decimals);

// Groups a string of digits by three from the right with the user's thousands separator.
std::wstring InsertThousandSeparators(std::wstring_view digits);
std::string InsertThousandSeparators(std::string_view digits);

// Wildcard match: "?" one character, "*" any run. Only ASCII letters compare without case.
// A mask without a star that is used up before the name repeats over it: "ab" matches "abab".
bool MatchMask(std::wstring_view mask, std::wstring_view name);
bool MatchMask(std::string_view mask, std::string_view name);

// Standard base64 alphabet; bytes outside it (padding, blanks, line breaks) are skipped.
std::string Base64Decode(std::string_view text);

// 1-based position of sub in s at or after offset (0 counts as 1); 0 when not found, when sub or
// s is empty or when offset is negative.
std::size_t PosFrom(std::wstring_view sub, std::wstring_view s, std::ptrdiff_t offset);
std::size_t PosFrom(std::string_view sub, std::string_view s, std::ptrdiff_t offset);

// Replaces old by new (case-sensitive), left to right; replaced text is never searched again.
std::wstring ReplaceString(std::wstring_view s, std::wstring_view oldPattern,
                           std::wstring_view newPattern, bool firstOnly);
std::string ReplaceString(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, bool firstOnly);

// Appends "\" unless the path already ends with one; an empty path becomes "\".
template <typename Char> void IncludeTrailingBackslash(std::basic_string<Char>& path) {
    if (path.empty() || path.back() != Char('\\')) path.push_back(Char('\\'));
}

// The last component of a path without its trailing separator ("\" or "/"): C:\foo\bar\ and
// C:\foo\bar give bar; a path without an inner separator (C:\, foo) gives the empty text.
std::wstring LastPathComponent(std::wstring_view path);
std::string LastPathComponent(std::string_view path);

// Texts of 2 or 3 characters whose second one is ":" (C:, C:\).
bool IsDriveRoot(std::wstring_view path);
bool IsDriveRoot(std::string_view path);

// True when the path names an existing folder; never shows a system error box.
bool DirectoryExists(const std::filesystem::path& path);

// The Windows folder as the system reports it; empty off Windows.
std::filesystem::path GetWindowsDir();

// Size by an exact-name lookup, no file opened: -1 when nothing is there, or a folder, or a
// device (NUL, CON, a FIFO), which has no size a check could read.
std::int64_t GetFileSize64(const std::filesystem::path& path);
// The same for a path's native text, which spares building a path per entry of a long list.
std::int64_t GetFileSize64(const std::filesystem::path::string_type& path);

// ASCII letters only, whatever the locale: for digest texts and file extensions.
template <typename Char> constexpr Char AsciiLower(Char c) {
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// 1 when a > b, -1 when a < b, else 0 (NaN compares equal to everything).
int CompareInt64(std::int64_t a, std::int64_t b);
int CompareFloat(double a, double b);

// Releases the object and clears the reference. unique_ptr::reset clears the pointer before the
// object is destroyed, so a destructor that looks at the owner sees it empty.
template <typename T> void FreeAndNil(std::unique_ptr<T>& object) { object.reset(); }

// Placement of a form, in screen pixels; pure, so that multi-monitor cases test off Windows.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Where CenterForm puts a form of formWidth x formHeight. owner: the owner's window rectangle
// when the owner exists, is visible and stands on the form's monitor, else nullopt. workArea:
// the work area of the reference monitor. Over the owner when it has one, falling back to the
// middle of the work area in the axis where the form would cross the work area's edge.
ScreenPoint CenterFormPosition(const std::optional<ScreenRect>& owner, int formWidth,
                               int formHeight, const ScreenRect& workArea);

// a * b / c rounded to nearest, halves away from zero (as the system's MulDiv); -1 when c is 0.
int MulDivRound(int a, int b, int c);

// Client-area layout of the InputQueryEx dialog from the dialog font's average character width
// and height, the measured prompt size and the edit box height.
struct InputQueryLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    ScreenRect prompt;
    ScreenRect edit;
    ScreenRect ok;
    ScreenRect cancel;
};

InputQueryLayout LayoutInputQuery(int charWidth, int charHeight, int promptWidth,
                                  int promptHeight, int editHeight);

} // namespace quillon

// Wildcard masks and base64 on any bytes. First byte: the length of the mask (modulo the rest);
// the rest is the mask, then the name. The whole rest is also base64 text and, encoded, data.
#include "util/EnhFunc.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// RFC 4648 with padding and a line break every 76 characters, which the decoder must skip.
std::string Base64Encode(std::string_view bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<std::uint8_t>(bytes[i + 2]);
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += i + 1 < bytes.size() ? alphabet[group >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
        if (out.size() % 78 == 76)
            out += "\r\n";
    }
    return out;
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// A mask without "*" side by side with the name, over and over: "a?" matches "abac".
bool MatchesWithoutStar(std::string_view mask, std::string_view name) {
    if (mask.empty() || name.empty())
        return mask.empty() && name.empty();
    if (name.size() % mask.size() != 0)
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char m = mask[i % mask.size()];
        if (m != '?' && AsciiUpper(std::string_view(&m, 1)) != AsciiUpper(name.substr(i, 1)))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t maskLength = rest.empty() ? 0 : data[0] % (rest.size() + 1);
    const std::string mask = rest.substr(0, maskLength);
    const std::string name = rest.substr(maskLength);

    const bool matches = quillon::MatchMask(mask, name);
    FUZZ_CHECK(quillon::MatchMask("*", name));
    FUZZ_CHECK(quillon::MatchMask(AsciiUpper(mask), name) == matches);
    FUZZ_CHECK(quillon::MatchMask(mask, AsciiUpper(name)) == matches);
    // "?" matches itself and a star any run: every mask matches its own text.
    FUZZ_CHECK(quillon::MatchMask(mask, mask));
    if (mask.find('*') == mask.npos)
        FUZZ_CHECK(matches == MatchesWithoutStar(mask, name));

    const std::string decoded = quillon::Base64Decode(rest);
    FUZZ_CHECK(decoded.size() <= rest.size() * 3 / 4);
    FUZZ_CHECK(quillon::Base64Decode(Base64Encode(rest)) == rest);
    return 0;
}

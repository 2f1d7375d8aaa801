#pragma once
#include "core/Blake3.h"
#include "core/MD5.h"
#include "core/Sha1.h"
#include "core/Sha256.h"
#include "core/Sha512.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quillon {

// Every digest the program computes, for code that takes any of them.
enum class DigestKind { Crc32, Md5, Sha1, Sha256, Sha512, Blake3 };

// "crc32", "md5", "sha1", "sha256", "sha512", "blake3": the command line's option names.
const char* DigestKindName(DigestKind kind);
// Digest bytes: 4, 16, 20, 32, 64, 32.
std::size_t DigestSize(DigestKind kind);

// The digest text of digest bytes (DigestSize of them; CRC-32's most significant byte first).
// CRC-32 and MD5 keep the upper-case hex that SFV and MD5 lists have always held; the others are
// lower case, as sha1sum, sha256sum, sha512sum and b3sum write them. Texts are therefore compared
// with EqualDigestTexts, never byte for byte.
std::string DigestText(DigestKind kind, const unsigned char* digest);
// Equal hex texts without regard to letter case.
bool EqualDigestTexts(std::string_view a, std::string_view b);

// Any digest by kind, fed incrementally.
class Hasher {
public:
    explicit Hasher(DigestKind kind);
    DigestKind Kind() const { return kind_; }
    void Update(const void* data, std::size_t size);
    // Writes DigestSize(Kind()) bytes and starts a new message.
    void Final(unsigned char* digest);
    // Final as DigestText writes it.
    std::string FinalText();
    // The BLAKE3 state, for the parallel file digest; nullptr for the other kinds.
    Blake3* AsBlake3() { return std::get_if<Blake3>(&state_); }

private:
    DigestKind kind_;
    std::variant<std::uint32_t, TMD5Context, Sha1, Sha256, Sha512, Blake3> state_;
};

} // namespace quillon

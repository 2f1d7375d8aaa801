#include "core/Digest.h"

#include "core/Crc32.h"

#include <cassert>
#include <cctype>

namespace quillon {

const char* DigestKindName(DigestKind kind) {
    switch (kind) {
    case DigestKind::Crc32:
        return "crc32";
    case DigestKind::Md5:
        return "md5";
    case DigestKind::Sha1:
        return "sha1";
    case DigestKind::Sha256:
        return "sha256";
    case DigestKind::Sha512:
        return "sha512";
    case DigestKind::Blake3:
        return "blake3";
    }
    return "unknown";
}

std::size_t DigestSize(DigestKind kind) {
    switch (kind) {
    case DigestKind::Crc32:
        return 4;
    case DigestKind::Md5:
        return 16;
    case DigestKind::Sha1:
        return Sha1::DigestSize;
    case DigestKind::Sha256:
        return Sha256::DigestSize;
    case DigestKind::Sha512:
        return Sha512::DigestSize;
    case DigestKind::Blake3:
        return Blake3::DigestSize;
    }
    return 0;
}

std::string DigestText(DigestKind kind, const unsigned char* digest) {
    const bool upper = kind == DigestKind::Crc32 || kind == DigestKind::Md5;
    const char* hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    const std::size_t n = DigestSize(kind);
    std::string s(2 * n, '0');
    for (std::size_t i = 0; i < n; ++i) {
        s[2 * i] = hex[digest[i] >> 4];
        s[2 * i + 1] = hex[digest[i] & 0xF];
    }
    return s;
}

bool EqualDigestTexts(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

Hasher::Hasher(DigestKind kind) : kind_(kind) {
    switch (kind) {
    case DigestKind::Crc32:
        state_.emplace<std::uint32_t>(0xFFFFFFFFu);
        break;
    case DigestKind::Md5:
        MD5Init(state_.emplace<TMD5Context>());
        break;
    case DigestKind::Sha1:
        state_.emplace<Sha1>();
        break;
    case DigestKind::Sha256:
        state_.emplace<Sha256>();
        break;
    case DigestKind::Sha512:
        state_.emplace<Sha512>();
        break;
    case DigestKind::Blake3:
        state_.emplace<Blake3>();
        break;
    }
}

void Hasher::Update(const void* data, std::size_t size) {
    if (auto* crc = std::get_if<std::uint32_t>(&state_)) {
        // UpdateCrc32 counts in 32 bits.
        auto p = static_cast<const unsigned char*>(data);
        constexpr std::size_t Piece = std::size_t{1} << 30;
        for (; size != 0;) {
            const std::size_t n = size < Piece ? size : Piece;
            *crc = UpdateCrc32(*crc, p, static_cast<std::int32_t>(n));
            p += n;
            size -= n;
        }
    } else if (auto* md5 = std::get_if<TMD5Context>(&state_)) {
        MD5UpdateBuffer(*md5, data, size);
    } else {
        std::visit(
            [&](auto& h) {
                if constexpr (requires { h.Update(data, size); })
                    h.Update(data, size);
            },
            state_);
    }
}

void Hasher::Final(unsigned char* digest) {
    if (auto* crc = std::get_if<std::uint32_t>(&state_)) {
        const std::uint32_t value = ~*crc;
        for (int i = 0; i < 4; ++i)
            digest[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
        *crc = 0xFFFFFFFFu;
    } else if (auto* md5 = std::get_if<TMD5Context>(&state_)) {
        MD5Final(digest, *md5);
        MD5Init(*md5);
    } else {
        std::visit(
            [&](auto& h) {
                if constexpr (requires { h.Final(digest); })
                    h.Final(digest);
            },
            state_);
    }
}

std::string Hasher::FinalText() {
    unsigned char digest[64];
    assert(DigestSize(kind_) <= sizeof digest);
    Final(digest);
    return DigestText(kind_, digest);
}

} // namespace quillon

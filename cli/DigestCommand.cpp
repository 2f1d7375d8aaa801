#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Escape.h"
#include "core/FileDigest.h"
#include "core/RunState.h"

#include <optional>

namespace quillon::cli {

namespace {

const DigestKind Kinds[] = {DigestKind::Crc32,  DigestKind::Md5,    DigestKind::Sha1,
                            DigestKind::Sha256, DigestKind::Sha512, DigestKind::Blake3};

// "--sha256" -> Sha256
std::optional<DigestKind> KindOption(const std::string& a) {
    for (DigestKind k : Kinds)
        if (a == std::string("--") + DigestKindName(k))
            return k;
    return std::nullopt;
}

} // namespace

int RunDigest(const Args& args) {
    std::optional<DigestKind> kind;
    bool endOfOptions = false;
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (const auto k = endOfOptions ? std::nullopt : KindOption(a)) {
            if (kind && *kind != *k) {
                Err("quillon-cli digest: choose one of --crc32, --md5, --sha1, --sha256, --sha512 "
                    "and --blake3\n");
                return 2;
            }
            kind = k;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            Err("quillon-cli digest: unknown option " + a + "\n");
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (!kind || files.empty()) {
        Err("usage: quillon-cli digest (--crc32 | --md5 | --sha1 | --sha256 | --sha512 | --blake3) "
            "FILE...\n");
        return 2;
    }
    int status = 0;
    for (const auto& f : files) {
        // The window's own routines: they read whatever reads like a file (a FIFO, /dev/stdin), and
        // a console program has no messages to pump.
        RunState run; // no progress shown, nothing to abort, no window
        DigestResult r = GetDigestText(*kind, PathFromArg(f), run);
        if (!r.complete) {
            // A made-up digest of an unreadable file must never look like a real one.
            std::string text =
                "quillon-cli: " + f + ": " + (r.error.text.empty() ? "cannot read" : r.error.text);
            MaskControlsFrom(text, 0);
            Err(text + "\n");
            status = 1;
            continue;
        }
        // Escaped as md5sum does, so that a name with a line break cannot forge another line.
        Out(DigestLine(*kind, r.text, f) + std::string(kNewline));
    }
    return status;
}

} // namespace quillon::cli

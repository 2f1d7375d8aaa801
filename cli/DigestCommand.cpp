#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Escape.h"
#include "core/FileDigest.h"
#include "core/RunState.h"

namespace quillon::cli {

int RunDigest(const Args& args) {
    bool md5 = false, chosen = false, endOfOptions = false;
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && (a == "--crc32" || a == "--md5")) {
            if (chosen && md5 != (a == "--md5")) {
                Err("quillon-cli digest: choose one of --crc32 and --md5\n");
                return 2;
            }
            md5 = a == "--md5";
            chosen = true;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            Err("quillon-cli digest: unknown option " + a + "\n");
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (!chosen || files.empty()) {
        Err("usage: quillon-cli digest (--crc32 | --md5) FILE...\n");
        return 2;
    }
    int status = 0;
    for (const auto& f : files) {
        // The window's own routines: they read whatever reads like a file (a FIFO, /dev/stdin), and
        // a console program has no messages to pump.
        RunState run; // no progress shown, nothing to abort, no window
        DigestResult r = md5 ? GetMd5Text(PathFromArg(f), run) : GetCrcText(PathFromArg(f), run);
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
        Out(DigestLine(r.text, f) + std::string(kNewline));
    }
    return status;
}

} // namespace quillon::cli

#pragma once
#include "core/ViewText.h"

#include <string_view>

namespace quillon {

// On POSIX a list's "a\b" is a folder and a name, unless the list's folder holds a file named
// "a\b" (rhash and cksfv write such names as they are). A list of a million "dir\name" lines
// must not look each literal name up: one listing of the folder, made at the first such line,
// tells whether any name there holds a "\" at all.
class BackslashNames {
public:
    explicit BackslashNames(ViewText folder) : folder_(std::move(folder)) {}
    // False only when no file of that literal name can be there.
    bool MayHold(std::string_view name);

private:
    ViewText folder_;
    bool listed_ = false;
    bool any_ = true;
};

} // namespace quillon

#pragma once

// Lengths given at 96 DPI, in pixels at the DPI of a window. Window-free, so layout arithmetic is
// tested natively.
namespace quillon {

// A length at 96 DPI in pixels at dpi, rounded to the nearest pixel (halves away from zero).
int Scale(int length96, int dpi);
// A length in pixels at fromDpi carried to toDpi, rounded the same way; unchanged when either
// DPI is not positive.
int Rescale(int pixels, int fromDpi, int toDpi);

} // namespace quillon

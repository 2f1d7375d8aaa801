#include "util/Dpi.h"

namespace quillon {

namespace {

int RoundedRatio(long long numerator, long long denominator) {
    const long long half = denominator / 2;
    return static_cast<int>(numerator >= 0 ? (numerator + half) / denominator
                                           : -((-numerator + half) / denominator));
}

} // namespace

int Scale(int length96, int dpi) {
    return RoundedRatio(static_cast<long long>(length96) * dpi, 96);
}

int Rescale(int pixels, int fromDpi, int toDpi) {
    if (fromDpi <= 0 || toDpi <= 0)
        return pixels;
    return RoundedRatio(static_cast<long long>(pixels) * toDpi, fromDpi);
}

} // namespace quillon

#include "ui/IconImages.h"

#include "ui/MainLayout.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillon::ui {

namespace {

// A 32-bit bitmap of width x height, first row on top.
BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The icon's 32-bit pixels, top-down, or empty when it has none.
std::vector<std::uint32_t> IconPixels(HICON icon, int size) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return {};
    win::UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    if (!color)
        return {};
    BITMAPINFO bi = TopDown32(size, size);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
    win::ScopedGetDc screen(nullptr);
    if (GetDIBits(screen.Get(), color.Get(), 0, static_cast<UINT>(size), pixels.data(), &bi,
                  DIB_RGB_COLORS) != size)
        return {};
    return pixels;
}

} // namespace

int SmallIconSize(int dpi) {
    return Scale(16, dpi);
}

win::UniqueImageList MakeIconImageList(HINSTANCE instance, std::initializer_list<int> iconIds,
                                       int iconSize, int cellWidth, int cellHeight) {
    win::UniqueImageList list(
        ImageList_Create(cellWidth, cellHeight, ILC_COLOR32, static_cast<int>(iconIds.size()), 0));
    if (!list)
        return list;
    const int dx = (cellWidth - iconSize) / 2, dy = (cellHeight - iconSize) / 2;
    for (int id : iconIds) {
        std::vector<std::uint32_t> cell(static_cast<std::size_t>(cellWidth) * cellHeight, 0);
        win::UniqueIcon icon(static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, iconSize, iconSize, 0)));
        if (icon) {
            const std::vector<std::uint32_t> pixels = IconPixels(icon.Get(), iconSize);
            for (int y = 0; y < iconSize && !pixels.empty(); ++y)
                for (int x = 0; x < iconSize; ++x) {
                    const int cx = x + dx, cy = y + dy;
                    if (cx < 0 || cy < 0 || cx >= cellWidth || cy >= cellHeight)
                        continue;
                    cell[static_cast<std::size_t>(cy) * cellWidth + cx] =
                        pixels[static_cast<std::size_t>(y) * iconSize + x];
                }
        }
        BITMAPINFO bi = TopDown32(cellWidth, cellHeight);
        void* bits = nullptr;
        win::UniqueBitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (bitmap && bits)
            std::copy(cell.begin(), cell.end(), static_cast<std::uint32_t*>(bits));
        ImageList_Add(list.Get(), bitmap.Get(), nullptr);
    }
    return list;
}

} // namespace quillon::ui

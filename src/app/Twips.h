#pragma once

#include <QRect>

namespace tolvane::app {

// The layout is written in twips; at 96 dots per inch 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

// Rounds to the nearest pixel, halves away from zero.
constexpr int TwipsToPixels(int twips) noexcept {
    return (twips + (twips < 0 ? -kTwipsPerPixel / 2 : kTwipsPerPixel / 2)) / kTwipsPerPixel;
}

constexpr int PixelsToTwips(int pixels) noexcept {
    return pixels * kTwipsPerPixel;
}

// A control's rectangle from its left, top, width and height in twips.
inline QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

}  // namespace tolvane::app

#pragma once

#include <QRect>
#include <QSize>

// The windows are designed in twips (1/1440 inch). Qt lays out in logical
// pixels, 96 to the inch, and scales for high-dpi screens by itself, so one
// pixel is 15 twips. Designs stay in twips in the code; this is the only
// conversion.
inline constexpr int kTwipsPerPixel = 15;

constexpr int Twips(int twips) {
    constexpr int kHalf = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + kHalf) / kTwipsPerPixel : -((-twips + kHalf) / kTwipsPerPixel);
}

constexpr QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

constexpr QSize TwipsSize(int width, int height) {
    return QSize(Twips(width), Twips(height));
}

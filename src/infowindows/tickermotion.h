#pragma once

// The movement of the contact line across the about-author window, in twips
// and in single precision. The line moves left by `step` on every tick and,
// once its right edge has passed the left edge of the window, starts again at
// the window's outer width.
struct TickerMotion {
    float left = 0.0f;
    float width = 0.0f;
    float step = 0.0f;

    // One timer tick: move first, then wrap. A wrap lands exactly on
    // outerWidth; how far the line had overshot is dropped.
    void Tick(float outerWidth);
};

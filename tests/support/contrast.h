#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

// The contrast ratio of two colours as WCAG defines it: 4.5 is the least for
// text a reader with low vision still reads.
inline double Contrast(const QColor &a, const QColor &b) {
    const auto luminance = [](const QColor &c) {
        const auto f = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * f(c.redF()) + 0.7152 * f(c.greenF()) + 0.0722 * f(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

#pragma once
// Text colours that owner-drawn controls were given for a light window, kept readable on
// whatever background they land on. The links' blue or a caller's near-white button face
// would leave their text unreadable under a dark theme; such a colour is moved along its own
// hue towards white (or black) until it reads, and left exactly as given when it already does.

#include <QColor>

#include <algorithm>
#include <cmath>

namespace pgw::widgets {

// Below this the text all but vanishes into its background. Colours above it are a choice
// (a caller's green on red) and are kept; one below it is moved until it reads comfortably.
inline constexpr double kLegibleContrast = 2.0;
inline constexpr double kComfortableContrast = 4.5;

// Relative luminance of an sRGB colour, 0 (black) to 1 (white).
inline double luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// 1 (no difference) to 21 (black on white).
inline double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

inline QColor readableOn(const QColor& ink, const QColor& background) {
    if (contrastRatio(ink, background) >= kLegibleContrast) return ink;
    // Towards whichever end reads better on this background.
    const QColor end = contrastRatio(Qt::white, background) > contrastRatio(Qt::black, background) ? Qt::white : Qt::black;
    constexpr int kSteps = 16;
    for (int step = 1; step < kSteps; ++step) {
        const double t = double(step) / kSteps;
        const QColor mixed = QColor::fromRgbF(float(ink.redF() + (end.redF() - ink.redF()) * t),
                                              float(ink.greenF() + (end.greenF() - ink.greenF()) * t),
                                              float(ink.blueF() + (end.blueF() - ink.blueF()) * t));
        if (contrastRatio(mixed, background) >= kComfortableContrast) return mixed;
    }
    return end;
}

}  // namespace pgw::widgets

#pragma once
// A dark theme as desktops hand it over (light text; light, dark and shadow shades worked out
// from a dark face), and how well a grab's text reads on it.

#include "widgets/ReadableInk.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace pgw::test {

inline QPalette darkPalette() {
    QPalette dark(QColor(45, 45, 45), QColor(45, 45, 45));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText})
        dark.setColor(role, Qt::white);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    return dark;
}

// The application's palette for one test, put back however the test ends.
class ScopedAppPalette {
public:
    explicit ScopedAppPalette(const QPalette& palette) { QApplication::setPalette(palette); }
    ~ScopedAppPalette() { QApplication::setPalette(saved_); }
    ScopedAppPalette(const ScopedAppPalette&) = delete;
    ScopedAppPalette& operator=(const ScopedAppPalette&) = delete;

private:
    QPalette saved_ = QApplication::palette();
};

// The contrast of the pixel that stands out most from the grab's commonest colour, its
// background: about 1 when the text sinks into it, 21 for black on white.
inline double inkContrast(const QImage& grab) {
    const QImage image = grab.convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (const auto& [colour, count] : counts)
        if (count > most) std::tie(background, most) = std::pair{colour, count};
    double best = 1;
    for (const auto& entry : counts)
        best = std::max(best, widgets::contrastRatio(QColor::fromRgb(entry.first), QColor::fromRgb(background)));
    return best;
}

}  // namespace pgw::test

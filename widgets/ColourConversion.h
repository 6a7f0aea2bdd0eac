#pragma once
// Between the widgets' QColor (invalid for "automatic") and the stored colour reference
// (0x00BBGGRR, 0xFF000000 for "automatic").

#include "widgets/ColourTable.h"

#include <QColor>

namespace pgw::colour {

inline QColor toQColor(ColourRef ref) {
    if (ref == kAutomatic) return {};
    return QColor(redOf(ref), greenOf(ref), blueOf(ref));
}

inline ColourRef toColourRef(const QColor& colour) {
    if (!colour.isValid()) return kAutomatic;
    const QColor rgb = colour.toRgb();
    return makeRef(uint8_t(rgb.red()), uint8_t(rgb.green()), uint8_t(rgb.blue()));
}

}  // namespace pgw::colour

#include "editors/PageFontDialog.h"

#include "editors/FontCombos.h"

namespace pgw::editors {
namespace {

QString faceOf(const QFont& font) { return font.families().value(0, font.family()); }

constexpr double kTwipsPerPoint = 20.0;

void setSizeOf(QFont& font, const QFont& from, int32_t twips) {
    if (twips > 0) font.setPointSizeF(twips / kTwipsPerPoint);
    else if (from.pixelSize() > 0) font.setPixelSize(from.pixelSize());
    else if (from.pointSizeF() > 0) font.setPointSizeF(from.pointSizeF());
}

}  // namespace

PageFontDialog::PageFontDialog(const FontChoice& initial, QWidget* parent) : dialog_(parent), initial_(initial.font), initialTwips_(initial.heightTwips) {
    // The dialog works in points; the logical font's height is in pixels (3/4 pt each).
    QFont font = initial.font;
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0) font.setPointSizeF(font.pixelSize() * 0.75);
    dialog_.setWindowTitle(QStringLiteral("字体"));
    dialog_.setCurrentFont(font);
    shown_ = dialog_.currentFont();
}

std::optional<FontChoice> PageFontDialog::exec() {
    dialog_.exec();
    return result();
}

// The dialog offers no text colour, so its choice leaves the colour as it is.
std::optional<FontChoice> PageFontDialog::result() const {
    if (dialog_.result() != QDialog::Accepted) return std::nullopt;
    QFont chosen = dialog_.selectedFont();
    const QString face = faceOf(chosen);
    if (face != faceOf(shown_)) chosen.setFamilies(QStringList{familyWithoutFoundry(face)});
    else if (!initial_.families().isEmpty()) chosen.setFamilies(initial_.families());
    if (chosen.weight() == shown_.weight() && chosen.italic() == shown_.italic()) {
        chosen.setWeight(initial_.weight());
        chosen.setItalic(initial_.italic());
    }
    if (chosen.pointSizeF() == shown_.pointSizeF()) setSizeOf(chosen, initial_, initialTwips_);
    return FontChoice{chosen, QColor()};
}

}  // namespace pgw::editors

#pragma once
// The publish form's controls as its dialog template places them: every control with its
// text, its rectangle in dialog units and its style, laid out in pixels from the form
// font's metrics.

#include <QFont>
#include <QRect>
#include <QString>

#include <map>

class QWidget;

namespace pgw::publish {

// Dialog units of a font: a quarter of its average character width across, an eighth of
// its height down.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int baseWidth() const { return baseWidth_; }
    int baseHeight() const { return baseHeight_; }
    QRect toPixels(const QRect& dialogUnits) const;

private:
    int baseWidth_;
    int baseHeight_;
};

inline constexpr QSize kFormSizeInDialogUnits(448, 330);

// The form's font: 宋体 10 pt, shown with an installed Chinese font where 宋体 is missing.
QFont formFont();

// Creates the controls on `page` (sized to the template) and returns those with an id.
std::map<int, QWidget*> createFormControls(QWidget* page);

}  // namespace pgw::publish

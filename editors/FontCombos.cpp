#include "editors/FontCombos.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QStyle>

#include <algorithm>

namespace pgw::editors {
namespace {
constexpr const char* kSizes[] = {"8", "9", "10", "11", "12", "14", "16", "18",
                                  "20", "22", "24", "26", "28", "36", "48", "72"};
constexpr int kTwipsPerPoint = 20;
constexpr int kVisibleEntries = 12;
}  // namespace

void selectEntryStartingWith(QComboBox& list, const QString& prefix) {
    list.setCurrentIndex(list.findText(prefix, Qt::MatchStartsWith));
}

CFontNameCombo::CFontNameCombo(QWidget* parent) : QComboBox(parent) { setMaxVisibleItems(kVisibleEntries); }

void CFontNameCombo::fill() {
    QStringList faces;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family)) faces << family;
    faces.sort(Qt::CaseInsensitive);
    clear();
    addItems(faces);
    const QFontMetrics metrics(font());
    for (const QString& face : faces)
        widestEntry_ = std::max(widestEntry_, metrics.horizontalAdvance(face + QLatin1Char('0')));
}

int CFontNameCombo::droppedWidth() const {
    return widestEntry_ + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void CFontNameCombo::showPopup() {
    view()->setMinimumWidth(droppedWidth());
    QComboBox::showPopup();
}

CFontSizeCombo::CFontSizeCombo(QWidget* parent) : QComboBox(parent) {
    setMaxVisibleItems(kVisibleEntries);
    for (const char* size : kSizes) addItem(QString::fromLatin1(size));
}

int CFontSizeCombo::heightTwips() const {
    bool ok = false;
    const int points = currentText().toInt(&ok);
    return ok && points > 0 ? points * kTwipsPerPoint : 0;
}

}  // namespace pgw::editors

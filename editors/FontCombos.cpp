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

bool sortsBefore(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; }

}  // namespace

void selectEntryStartingWith(QComboBox& list, const QString& prefix) {
    list.setCurrentIndex(list.findText(prefix, Qt::MatchStartsWith));
}

QString familyWithoutFoundry(const QString& family) {
    if (!family.endsWith(QLatin1Char(']'))) return family;
    const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
    return open > 0 ? family.left(open) : family;
}

CFontNameCombo::CFontNameCombo(QWidget* parent) : QComboBox(parent) { setMaxVisibleItems(kVisibleEntries); }

void CFontNameCombo::fill() {
    QStringList faces;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family)) faces << familyWithoutFoundry(family);
    faces.removeDuplicates();
    std::sort(faces.begin(), faces.end(), sortsBefore);
    clear();
    addItems(faces);
    const QFontMetrics metrics(font());
    for (const QString& face : faces) measure(metrics, face);
}

void CFontNameCombo::showFace(const std::optional<QString>& face) {
    if (!face || face->isEmpty()) return setCurrentIndex(-1);
    if (currentIndex() >= 0 && currentText() == *face) return;  // the caret moves within one face
    if (findText(*face) < 0) addFace(*face);
    setCurrentIndex(findText(*face));
}

void CFontNameCombo::addFace(const QString& face) {
    int at = 0;
    while (at < count() && !sortsBefore(face, itemText(at))) ++at;
    insertItem(at, face);
    measure(QFontMetrics(font()), face);
}

void CFontNameCombo::measure(const QFontMetrics& metrics, const QString& face) {
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

void CFontSizeCombo::showHeight(std::optional<int32_t> twips) {
    const bool whole = twips && *twips > 0 && *twips % kTwipsPerPoint == 0;
    setCurrentIndex(whole ? findText(QString::number(*twips / kTwipsPerPoint)) : -1);
}

}  // namespace pgw::editors

#pragma once
// The colour popup of CColourPicker: the 40 named colours in an 8-column grid, an
// optional "Automatic" box above and an optional "More Colours..." box below.
// It reports hovering and keys through selectionChanged and its one end through
// ended, then deletes itself. An invalid QColor stands for "automatic".

#include "widgets/ColourTable.h"

#include <QColor>
#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace pgw {

// Asks the author for any colour, starting from the given one; nothing on cancel.
// The program uses the system colour dialog; tests put a script in its place.
using ColourDialogHook = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;
ColourDialogHook systemColourDialog();

struct ColourPopupTexts {
    QString defaultText;  // empty: no "Automatic" box
    QString customText;   // empty: no "More Colours..." box
};

class CColourDropDown : public QWidget {
    Q_OBJECT
public:
    // origin: screen point under the picker's bottom-left corner; pickerTop: the picker's
    // top on the screen, where the popup ends when it opens upwards.
    CColourDropDown(QPoint origin, int pickerTop, const QColor& initial, const ColourPopupTexts& texts,
                    ColourDialogHook dialog, QWidget* picker);

    int initialIndex() const { return initialIndex_; }
    int currentIndex() const { return currentIndex_; }
    QColor chosenColour() const { return chosen_; }
    // Client rectangle of a box (colour index, kDefaultBox or kCustomBox); empty if absent.
    QRect boxRect(int index) const;
    // The box under a client point, or kNoBox.
    int indexAt(QPoint point) const;
    QString toolTipAt(QPoint point) const;

signals:
    void selectionChanged(const QColor& colour);
    // Sent once: accepted (Enter, click inside, dialog OK) or cancelled, with the colour.
    void ended(const QColor& colour, bool accepted);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void layOut();
    void placeOnScreen(QPoint origin, int pickerTop);
    colour::PopupBoxes boxes() const;
    void select(int index);
    void finish(bool accepted);

    void paintColourBox(QPainter& painter, int index) const;
    void paintTextBox(QPainter& painter, int index, const QString& text) const;
    void paintBoxEdges(QPainter& painter, const QRect& box, int index) const;

    QColor initial_;
    QColor chosen_;
    ColourPopupTexts texts_;
    ColourDialogHook dialog_;
    int margin_ = 2;
    int boxSize_ = 18;
    int gridTop_ = 0;  // top of the colour grid, under the "Automatic" box when there is one
    QRect defaultRect_;
    QRect customRect_;
    int initialIndex_ = colour::kNoBox;
    int currentIndex_ = colour::kNoBox;
    bool finished_ = false;
};

}  // namespace pgw

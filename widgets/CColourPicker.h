#pragma once
// A push button showing a colour swatch and a drop-down arrow. A click opens the colour
// popup (CColourDropDown); every step of the choice is reported through the signals
// below, each with the colour and the picker's control id. An invalid QColor means
// "automatic" (no colour: the text takes the window text colour).
//
// The signals stand for the Windows program's notification messages, in the same order:
//
//   message  signal              when
//   0x7E9    selectionChanged    a box is hovered or reached by the arrow keys
//   0x7EA    dropDownOpened      the popup has opened (colour: the current one)
//   0x7EB    closedUp            the popup has ended, always just before one of:
//   0x7EC    selectionEnded      the choice was accepted (the toolbar listens to this)
//   0x7ED    selectionCancelled  the choice was cancelled (colour: the one it opened with)
//
// On an end the picker takes the colour before it signals; with track selection on it
// also takes every hovered colour, and a cancel sets it back.

#include "widgets/CColourDropDown.h"

#include <QPointer>
#include <QPushButton>

namespace pgw {

enum class ColourNotification : int {
    SelectionChanged = 0x7E9,
    DropDownOpened = 0x7EA,
    ClosedUp = 0x7EB,
    SelectionEnded = 0x7EC,
    SelectionCancelled = 0x7ED,
};

class CColourPicker : public QPushButton {
    Q_OBJECT
public:
    // Chinese, as every text the program shows.
    static inline const QString kDefaultAutomaticText = QStringLiteral("自动");
    static inline const QString kDefaultCustomText = QStringLiteral("其他颜色...");

    explicit CColourPicker(QWidget* parent = nullptr, int controlId = 0);

    QColor GetColour() const { return colour_; }
    // Both repaint at once when the button is shown.
    void SetColour(const QColor& colour);
    void SetTextColour(const QColor& colour);  // invalid: black
    QColor textColour() const { return textColour_; }

    // An empty text leaves its box out of the popup.
    void setDefaultText(const QString& text) { texts_.defaultText = text; }
    void setCustomText(const QString& text) { texts_.customText = text; }
    ColourPopupTexts texts() const { return texts_; }
    // When on, hovering in the popup previews the colour on the button.
    void setTrackSelection(bool track) { trackSelection_ = track; }
    bool trackSelection() const { return trackSelection_; }
    void setControlId(int id) { controlId_ = id; }
    int controlId() const { return controlId_; }
    // The "More Colours..." dialog; the system colour dialog unless replaced.
    void setColourDialog(ColourDialogHook dialog) { dialog_ = std::move(dialog); }

    bool isPopupOpen() const { return popupOpen_; }
    CColourDropDown* dropDown() const { return dropDown_; }
    // Opens the popup under the button, as a click does; ignored while one is open.
    void showDropDown();

    QRect arrowRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void selectionChanged(const QColor& colour, int controlId);
    void dropDownOpened(const QColor& colour, int controlId);
    void closedUp(const QColor& colour, int controlId);
    void selectionEnded(const QColor& colour, int controlId);
    void selectionCancelled(const QColor& colour, int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int arrowSize() const;
    void onPopupSelection(const QColor& colour);
    void onPopupEnded(const QColor& colour, bool accepted);
    void repaintNow();

    QColor colour_;
    QColor textColour_;
    ColourPopupTexts texts_{kDefaultAutomaticText, kDefaultCustomText};
    ColourDialogHook dialog_ = systemColourDialog();
    bool trackSelection_ = false;
    bool popupOpen_ = false;
    int controlId_ = 0;
    QPointer<CColourDropDown> dropDown_;
};

}  // namespace pgw

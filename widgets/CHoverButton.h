#pragma once
// A push button that draws itself with a flat, hot-tracking look: six colours by state,
// an optional image, a tooltip, optional hover and click sounds, and one of three click
// actions: toggling (check-box mode), dropping an attached menu, or opening an address
// through the desktop.

#include "widgets/ColourTable.h"

#include <QPixmap>
#include <QPushButton>

#include <array>
#include <functional>

class QMenu;

namespace pgw::ui {
class DesktopServices;
}

namespace pgw {

class CHoverButton : public QPushButton {
public:
    // Button styles as the button was created with them: the low five bits are its type.
    static constexpr unsigned kPushButton = 0x0;
    static constexpr unsigned kDefaultPushButton = 0x1;
    static constexpr unsigned kCheckBoxBit = 0x2;
    static constexpr unsigned kTypeMask = 0x1F;
    // Colour slots.
    enum ColourSlot { BackgroundHot = 0, TextHot, BackgroundNormal, TextNormal, BackgroundFocused, TextFocused };
    static constexpr int kColourCount = 6;
    static constexpr int kBadColourIndex = 3;
    // What a dialog asks the button: its push-button kind.
    static constexpr int kDefaultPushCode = 0x10;
    static constexpr int kPushCode = 0x20;
    enum class ImageAlignment { Left, Top, Right };

    // Runs the attached menu at a global position and returns the chosen item (or none).
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    using SoundPlayer = std::function<void(const QString& sound)>;

    explicit CHoverButton(const QString& text = {}, unsigned style = kPushButton, QWidget* parent = nullptr);

    // Takes over a button style: its type decides default button and check-box mode.
    void subclass(unsigned style);
    int dialogCode() const { return defaultButton_ ? kDefaultPushCode : kPushCode; }

    // 0, or 3 for a slot above 5 (and then nothing changes).
    int SetColour(int index, colour::ColourRef colour, bool repaint = true);
    colour::ColourRef colourAt(int index) const { return colours_.at(size_t(index)); }
    void resetColours();

    void SetCheck(bool checked);
    bool GetCheck() const { return checked_; }

    void SetFlat(bool flat, bool repaint = true);
    void SetDrawBorder(bool draw, bool repaint = true);
    void SetAlwaysShowFocus(bool always, bool repaint = true);
    void SetTransparent(bool transparent, bool repaint = true);
    void SetTrackWhenInactive(bool track) { trackWhenInactive_ = track; }
    void SetGreyDisabledImages(bool grey, bool repaint = true);
    void SetImageMargin(QPoint margin, bool repaint = true);
    void SetPressOffset(QPoint offset, bool repaint = true);
    void SetImageAlignment(ImageAlignment alignment, bool repaint = true);
    void SetImages(const QPixmap& normal, const QPixmap& hot = {}, bool repaint = true);
    void SetButtonCursor(const QCursor& cursor);
    void SetTooltipText(const QString& text);
    void SetMenu(QMenu* menu, std::function<void(QAction*)> owner);
    void SetMenuCallback(std::function<void(QMenu*)> callback) { menuCallback_ = std::move(callback); }
    void SetMenuRunner(MenuRunner runner) { runMenu_ = std::move(runner); }
    void SetAddress(const QString& address);
    void SetDesktop(ui::DesktopServices* desktop) { desktop_ = desktop; }
    void SetSounds(const QString& hover, const QString& click, SoundPlayer player);

    bool isFlatLook() const { return flat_; }
    bool isHot() const { return hot_; }
    bool isDefaultButton() const { return defaultButton_; }
    bool checkBoxMode() const { return checkBox_; }
    bool drawsBorder() const { return drawBorder_; }
    bool menuShowing() const { return menuShowing_; }
    QString address() const { return address_; }
    // Pressed as drawn: checked (check-box mode), held down, or showing its menu.
    bool drawnPressed() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void onClicked();
    void dropMenu();
    void becomeHot();
    void leaveHot();
    void redraw(bool repaint);
    void drawBackground(QPainter& painter, bool pressed) const;
    void drawBorder(QPainter& painter, bool pressed) const;
    void drawImage(QPainter& painter, bool pressed) const;
    void drawText(QPainter& painter, bool pressed) const;
    QRect textRect() const;
    QColor slotColour(int index) const;
    int backgroundSlot(bool pressed) const;

    bool flat_ = true;
    bool hot_ = false;
    bool defaultButton_ = false;
    bool checkBox_ = false;
    bool checked_ = false;
    bool drawBorder_ = true;
    bool focusAlways_ = false;
    bool transparent_ = false;
    bool trackWhenInactive_ = true;
    bool greyDisabled_ = true;
    bool menuShowing_ = false;
    QPoint imageMargin_{3, 3};
    QPoint pressOffset_{1, 1};
    ImageAlignment imageAlignment_ = ImageAlignment::Left;
    std::array<colour::ColourRef, kColourCount> colours_{};
    QPixmap normalImage_, hotImage_;
    QMenu* menu_ = nullptr;
    std::function<void(QAction*)> menuOwner_;
    std::function<void(QMenu*)> menuCallback_;
    MenuRunner runMenu_;
    QString address_;
    ui::DesktopServices* desktop_ = nullptr;
    QString hoverSound_, clickSound_;
    SoundPlayer playSound_;
};

}  // namespace pgw

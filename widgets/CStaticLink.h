#pragma once
// A line of text that behaves like a web link: coloured, underlined by a bar along its
// bottom edge, a hand cursor, red while the mouse is over it and purple once opened.
// A click opens its address through the desktop; a failed open beeps.
//
// While hovering, a 100 ms timer watches the cursor: once it is outside the control,
// the link takes its unvisited colour again (the visited colour lasts until then).

#include "widgets/ColourTable.h"

#include <QLabel>

#include <functional>

namespace pgw::ui {
class DesktopServices;
}

namespace pgw {

class CStaticLink : public QLabel {
public:
    static constexpr colour::ColourRef kUnvisitedColour = 0xFF0000;  // blue
    static constexpr colour::ColourRef kVisitedColour = 0x800080;    // purple
    static constexpr colour::ColourRef kHoverColour = 0x0000FF;      // red
    static constexpr int kHoverCheckMilliseconds = 100;
    static constexpr int kUnderlineWidth = 3;

    // `deleteOnDestroy`: the link deletes itself once its window is closed.
    CStaticLink(const QString& link = {}, bool deleteOnDestroy = false, QWidget* parent = nullptr);

    void setDesktop(ui::DesktopServices* desktop) { desktop_ = desktop; }
    void setLink(const QString& link) { link_ = link; }
    QString link() const { return link_; }
    // The control's id and the string table it may take its address from.
    void setControlId(int id) { controlId_ = id; }
    int controlId() const { return controlId_; }
    void setStringResources(std::function<QString(int id)> lookup) { strings_ = std::move(lookup); }
    // Where the cursor is, in global coordinates; the hover check asks this.
    void setCursorSource(std::function<QPoint()> source) { cursorSource_ = std::move(source); }

    colour::ColourRef colour() const { return colour_; }
    bool hovering() const { return hovering_; }
    int hoverTimerId() const { return timerId_; }
    bool deletesOnDestroy() const { return deleteOnDestroy_; }

    // The address a click opens: the link, else the string resource of the control id,
    // else the text shown. Empty: a click does nothing.
    QString addressToOpen() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void startHover();
    void checkHover();
    void setColour(colour::ColourRef colour);
    bool plainTextStyle() const;

    QString link_;
    bool deleteOnDestroy_;
    colour::ColourRef colour_ = kUnvisitedColour;
    bool hovering_ = false;
    int timerId_ = 0;
    int controlId_ = 0;
    ui::DesktopServices* desktop_ = nullptr;
    std::function<QString(int)> strings_;
    std::function<QPoint()> cursorSource_;
};

}  // namespace pgw

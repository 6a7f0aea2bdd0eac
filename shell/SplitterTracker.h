// The halftone rectangle that follows the mouse while the split bar is dragged. It lies over
// the views without taking their mouse input.
#pragma once

#include <QWidget>

namespace pgw {

class SplitterTracker : public QWidget {
public:
    explicit SplitterTracker(QWidget* parent);
    void showAt(const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace pgw

#pragma once
// Qt lays a newly shown document out in the background, in steps on a timer that double
// until each lays out 200,000 characters: on a page of many short paragraphs one such step
// freezes the window for a good part of a second. The pacer takes those steps over while a
// document is being laid out, each one laying out what fits in a slice of time. Where the
// timer cannot be told apart, Qt's own steps go on as before.

#include <QObject>
#include <QPointer>

class QAbstractTextDocumentLayout;
class QTextDocument;

namespace pgw::editors {

class LayoutPacer : public QObject {
public:
    explicit LayoutPacer(QObject* parent = nullptr) : QObject(parent) {}

    // Paces the layout of `document` from its start until it is laid out to its end; again
    // after anything that makes Qt lay the whole document out anew (a new width).
    void pace(QTextDocument& document);
    bool isPacing() const;
    void setSliceMilliseconds(int milliseconds) { sliceMilliseconds_ = milliseconds; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isLazyLayoutTimer(int timerId) const;
    void layOutSlice();
    void stop();

    QPointer<QAbstractTextDocumentLayout> layout_;
    int next_ = 0;  // where the next slice starts: a position, as the author may edit meanwhile
    int sliceMilliseconds_ = 25;
};

}  // namespace pgw::editors

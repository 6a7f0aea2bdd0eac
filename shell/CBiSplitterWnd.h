// The two-pane splitter that fills the main window: owns its views by id, shows any of them
// in either pane, and lets the author drag the bar or collapse a pane with the bar's buttons.
#pragma once

#include "shell/SplitterLayout.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <map>
#include <utility>

namespace pgw {

class SplitterTracker;

class CBiSplitterWnd : public QWidget {
    Q_OBJECT

public:
    enum ButtonState { Hot = 0, Pressed = 1, Normal = 2 };
    // The four buttons, in hit-test order.
    enum Button { NoButton = -1, CloseButton0 = 0, CloseButton1 = 1, BarButton0 = 2, BarButton1 = 3 };

    explicit CBiSplitterWnd(QWidget* parent = nullptr, unsigned style = 0x25);
    ~CBiSplitterWnd() override;

    // Views: the splitter takes ownership; a view replaced under the same id is deleted.
    QWidget* addView(int id, QWidget* view);
    template <typename T, typename... Args>
    T* createView(int id, Args&&... args) {
        auto* view = new T(std::forward<Args>(args)...);
        addView(id, view);
        return view;
    }
    QWidget* GetView(int id) const;

    bool SetPane(int index, unsigned flags, const QString& caption, QWidget* view);
    bool ShowView(int id, int index);
    QWidget* GetPaneView(int index) const;
    int GetPaneViewId(int index) const;  // -1 when the pane shows no view of this splitter

    unsigned GetStyle() const { return m_style; }
    void ModifyStyle(unsigned remove, unsigned add);
    unsigned GetPaneFlags(int index) const;
    void ModifyPaneFlags(int index, unsigned remove, unsigned add);
    QString paneCaption(int index) const;

    void RecalcLayout();
    void SetSplitPosition(int position);
    int splitPosition() const { return m_split.position; }

    void HidePane(int index);
    void ShowPane(int index);
    void HideViewPane(QWidget* view);
    void ShowViewPane(QWidget* view);
    void TogglePane(int index);
    bool IsPaneVisible(int index) const;
    bool isPaneCollapsed(int index) const;

    void SetActivePane(int index);
    int activePane() const { return m_activePane; }

    // Laid-out geometry, for the frame and for tests.
    const splitter::Geometry& layoutGeometry() const { return m_geometry; }
    const splitter::Metrics& metrics() const { return m_metrics; }
    ButtonState buttonState(Button button) const;
    bool isDragging() const { return m_drag == DragBar; }
    QRect trackerRect() const { return m_tracker; }

signals:
    void activePaneChanged(int index);
    // A view was put into a pane (again, too: the page in it may have changed).
    void viewShown(int id, int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum DragState { NoDrag, DragBar, DragButton };
    enum HitTarget { HitNothing, HitButton, HitBar };

    struct Pane {
        splitter::PaneState state;
        QString caption;
        QPointer<QWidget> view;
    };

    bool validIndex(int index) const { return index == 0 || index == 1; }
    std::array<splitter::PaneState, 2> paneStates() const;
    void placeViews();
    QRect buttonRect(Button button) const;
    HitTarget hitTest(QPoint point, Button* button) const;
    void setButtonState(Button button, ButtonState state);
    void resetButtons();
    void updateCursor(HitTarget target);
    void clickButton(Button button);
    void beginBarDrag();
    void moveTracker(QPoint point);
    void endDrag();
    CBiSplitterWnd* parentSplitter() const;

    unsigned m_style;
    std::array<Pane, 2> m_panes;
    std::map<int, QPointer<QWidget>> m_views;
    int m_activePane = -1;
    splitter::SplitState m_split;
    splitter::Geometry m_geometry;
    splitter::Metrics m_metrics;
    std::array<ButtonState, 4> m_buttonStates{Normal, Normal, Normal, Normal};
    DragState m_drag = NoDrag;
    Button m_pressed = NoButton;
    QRect m_tracker;
    SplitterTracker* m_trackerWidget = nullptr;
};

}  // namespace pgw

#pragma once
// The publish form's controls, each with its text and id, arranged by Qt layouts: the
// paths at the top, the book information as labelled rows, the icon, then the progress
// bar and the two buttons. The page follows the width of its pane, so the form fits a
// small window without a horizontal scroll bar and does not sprawl across a large one.

#include <QFont>

#include <map>

class QWidget;

namespace pgw::publish {

// The widest the form grows; wider panes show it centred.
inline constexpr int kMaxFormWidth = 760;

// The form's font: 宋体 10 pt, shown with an installed Chinese font where 宋体 is missing.
QFont formFont();

// Creates the controls on `page`, lays them out, and returns those with an id.
std::map<int, QWidget*> createFormControls(QWidget* page);

}  // namespace pgw::publish

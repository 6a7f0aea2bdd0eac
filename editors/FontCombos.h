#pragma once
// The text toolbar's two lists: the installed font faces and the point sizes.

#include <QComboBox>

namespace pgw::editors {

// Selects the first entry that begins with `prefix`; no selection at all when none does.
void selectEntryStartingWith(QComboBox& list, const QString& prefix);

class CFontNameCombo : public QComboBox {
public:
    explicit CFontNameCombo(QWidget* parent = nullptr);

    // The installed faces, sorted. Faces a page names but this system lacks are not listed:
    // choosing from the list gives text a face this system can show.
    void fill();
    // The dropped list is wide enough for every name (measured with a trailing "0") and
    // the list's scroll bar.
    int droppedWidth() const;
    void showPopup() override;

private:
    int widestEntry_ = 0;
};

class CFontSizeCombo : public QComboBox {
public:
    explicit CFontSizeCombo(QWidget* parent = nullptr);

    // The selected size as a character height; 0 when no size is selected.
    int heightTwips() const;
};

}  // namespace pgw::editors

#pragma once
// The text toolbar's two lists: the font faces and the point sizes.

#include <QComboBox>

#include <cstdint>
#include <optional>

namespace pgw::editors {

// Selects the first entry that begins with `prefix`; no selection at all when none does.
void selectEntryStartingWith(QComboBox& list, const QString& prefix);

// A family as the font database names it when two foundries make it ("Nimbus Sans [urw]"):
// the plain family name, which is what a page stores and what finds the font again.
QString familyWithoutFoundry(const QString& family);

class CFontNameCombo : public QComboBox {
public:
    explicit CFontNameCombo(QWidget* parent = nullptr);

    // The installed families, one entry each, sorted.
    void fill();
    // Shows the face the text asks for; a face this system lacks is added to the list (the
    // text shows in a substitute, but the page keeps its face). Nothing: no selection.
    void showFace(const std::optional<QString>& face);
    // The dropped list is wide enough for every name (measured with a trailing "0") and
    // the list's scroll bar.
    int droppedWidth() const;
    void showPopup() override;

private:
    void addFace(const QString& face);
    void measure(const QFontMetrics& metrics, const QString& face);

    int widestEntry_ = 0;
};

class CFontSizeCombo : public QComboBox {
public:
    explicit CFontSizeCombo(QWidget* parent = nullptr);

    // The selected size as a character height; 0 when no size is selected.
    int heightTwips() const;
    // The entry of a character height; no selection for a height the list does not hold.
    void showHeight(std::optional<int32_t> twips);
};

}  // namespace pgw::editors

#pragma once
// The program's toolbar: buttons from a toolbar resource with images from bitmap strips,
// and, on the text view's toolbar, the face list, the size list and the text colour
// control in their buttons' places.
//
// On the text toolbar the toggle buttons, the lists and the colour control show the format
// at the caret, which the owner hands over; a click on a toggle only asks the command,
// which decides from the text, not from the button.

#include "platform/framework/CommandIds.h"

#include <QColor>
#include <QToolBar>

#include <array>
#include <functional>

namespace pgw {
class CColourPicker;
}

namespace pgw::editors {

class CFontNameCombo;
class CFontSizeCombo;
struct ShownFormat;

class CAppToolBar : public QToolBar {
public:
    using CommandSink = std::function<void(framework::CommandId)>;
    using ColourSink = std::function<void(const QColor&)>;

    explicit CAppToolBar(QWidget* parent = nullptr);

    // Buttons and separators of a toolbar resource; false for an unknown resource.
    bool loadToolBar(int resourceId);
    // Images of ":/bitmaps/<id>.bmp" strips, one per button in order; disabledId 0: none.
    // False at the first strip that cannot be read; the images read before it stay.
    bool LoadToolbarImages(int imageWidth, int normalId, int hotId, int disabledId);
    // The face list, the size list and the colour control on the text toolbar's buttons.
    void createFontControls();

    void setCommandSink(CommandSink sink) { commandSink_ = std::move(sink); }
    void setColourSink(ColourSink sink) { colourSink_ = std::move(sink); }

    QAction* button(framework::CommandId id) const;
    bool isButtonChecked(framework::CommandId id) const;
    void setButtonChecked(framework::CommandId id, bool checked);
    // Buttons follow the window's enable rules; the lists and the colour control do not.
    void updateEnabled(const std::function<bool(framework::CommandId)>& enabled);
    // The toggles, the lists and the colour control show `format`; nothing is sent back.
    void showFormat(const ShownFormat& format);

    CFontNameCombo* faceList() const { return faceList_; }
    CFontSizeCombo* sizeList() const { return sizeList_; }
    CColourPicker* colourPicker() const { return colourPicker_; }
    QColor lastColour() const { return lastColour_; }

    // A colour confirmed in the colour control (an invalid colour: automatic): remembered
    // and handed to the owner, each time, even when it is the same colour again.
    void colourPicked(const QColor& colour);

protected:
    void changeEvent(QEvent* event) override;

private:
    QAction* placeControl(framework::CommandId id, QWidget* control, int width);

    std::array<int, 4> loaded_{};  // the images' width and strips, loaded again for a new palette
    CommandSink commandSink_;
    ColourSink colourSink_;
    CFontNameCombo* faceList_ = nullptr;
    CFontSizeCombo* sizeList_ = nullptr;
    CColourPicker* colourPicker_ = nullptr;
    QColor lastColour_ = Qt::black;
};

}  // namespace pgw::editors

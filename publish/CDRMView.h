#pragma once
// The publish form: the book information the author types, the icon and the output file
// chosen, and the compile command that turns the open book into a reader executable. The
// main window creates it once as its content view 4; the make command shows it and its
// exit button goes back to the text view.

#include "publish/BookGuid.h"
#include "publish/CIconFileReader.h"
#include "publish/FormExchange.h"
#include "publish/PublishLayout.h"
#include "platform/ui/QtDesktopServices.h"
#include "widgets/ColourTable.h"

#include <QScrollArea>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pgw {
class CTextProgressCtrl;
}
namespace pgw::book {
class BookStorage;
class CPGWDoc;
}

namespace pgw::publish {

class CDRMView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kViewId = 4;
    static constexpr colour::ColourRef kProgressBackground = 0xFAE6E6;

    explicit CDRMView(QWidget* parent = nullptr);

    // What the window gives the form: the open book, its document, the dialogs and the
    // chapter tree control (disabled while a compiled book is made, enabled on exit and
    // whenever a compile is refused).
    void attach(book::BookStorage& storage, book::CPGWDoc& document, ui::UserInterface& ui, QWidget* chapterTree);
    // What opens the compiled book's folder and sounds the beep; the desktop's own by default.
    void setDesktop(ui::DesktopServices& desktop) { desktop_ = &desktop; }
    void setGuidGenerator(GuidGenerator generate) { generateGuid_ = std::move(generate); }

    // When a book has been opened or made: the book's GUID is read (or made) and shown.
    void OnInitialUpdate();
    // The make command's path of what is compiled: the book's working copy.
    void setBookPath(const std::string& path) { state_.bookPath = path; }
    void SetPublishMode(bool on);
    void ChooseOutputFile();
    void ChooseIcon();
    // Back to the reader stub's own icon.
    void ClearIcon();
    bool CompileBook();
    void Exit();

    // Data exchange: false when a text was refused (then nothing is taken).
    bool takeData();
    void fillControls();
    // The book information as the compiled book records it (GBK).
    BookInfo bookInfo() const;

    const PublishFormState& state() const { return state_; }
    void setStubPath(const std::string& path) { state_.stubPath = path; }
    const BookGuid& bookGuid() const { return guid_; }
    bool iconChosen() const { return iconChosen_; }
    QWidget* control(int id) const;
    QLineEdit* edit(int id) const;
    QPushButton* button(int id) const;
    CTextProgressCtrl* progress() const;
    QLabel* iconPreview() const;

signals:
    // The exit button, before the form leaves publish mode: the window shows a page again.
    void exiting();

private:
    void createForm();
    bool adoptIcon(const std::string& path);
    bool settleIcon();
    bool compile();
    void reportSuccess();
    void enableTree();

    std::map<int, QWidget*> controls_;
    FormExchange exchange_;
    PublishFormState state_;
    BookGuid guid_;
    // Set by an icon the form could show; cleared only by going back to the stub's icon.
    bool iconChosen_ = false;
    std::string iconSource_;  // the file the chosen icon came from
    CIconFileReader icons_;
    std::optional<std::vector<uint8_t>> groupIconDirectory_;
    GuidGenerator generateGuid_ = randomGuid;
    ui::QtDesktopServices qtDesktop_;
    ui::DesktopServices* desktop_ = &qtDesktop_;
    book::BookStorage* storage_ = nullptr;
    book::CPGWDoc* document_ = nullptr;
    ui::UserInterface* ui_ = nullptr;
    QWidget* chapterTree_ = nullptr;
};

}  // namespace pgw::publish

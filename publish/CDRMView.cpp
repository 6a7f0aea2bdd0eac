#include "publish/CDRMView.h"

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/install/InstallLayout.h"
#include "publish/BookCompiler.h"
#include "publish/DrmFormLayout.h"
#include "publish/IconPreview.h"
#include "widgets/CTextProgressCtrl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pgw::publish {

namespace {

constexpr colour::ColourRef kTextOverBar = 0x0000FF;         // red
constexpr colour::ColourRef kTextOverBackground = 0xFF0000;  // blue
constexpr int kPreviewPixels = 32;

const std::vector<ui::FileFilter> kExecutableFilter{{"可执行文件 (*.exe)", "*.exe"}};
const std::vector<ui::FileFilter> kIconFilter{{"图标文件 (*.ico)", "*.ico"}};

// The compiler's progress on the form's bar: one step per piece of the book copied.
class BarProgress : public CompileProgress {
public:
    BarProgress(CTextProgressCtrl& bar, colour::ColourRef background) : bar_(bar), background_(background) {}
    void begin(int32_t upper) override {
        bar_.SetRange(0, upper);
        bar_.SetBackgroundColour(background_);
        bar_.SetTextColourOverBar(kTextOverBar);
        bar_.SetTextColourOverBackground(kTextOverBackground);
        bar_.SetStep(1);
    }
    void step() override { bar_.StepIt(); }
    void end() override { bar_.SetPos(0); }

private:
    CTextProgressCtrl& bar_;
    colour::ColourRef background_;
};

// The ".exe" test is exact: "book.EXE" becomes "book.EXE.exe".
std::string withExecutableExtension(std::string path) {
    static const std::string kExtension = ".exe";
    if (path.size() < kExtension.size() || path.compare(path.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
        path += kExtension;
    return path;
}

}  // namespace

CDRMView::CDRMView(QWidget* parent)
    : QScrollArea(parent), exchange_([this](int id) { return edit(id); }) {
    createForm();
}

void CDRMView::createForm() {
    auto* page = new QWidget;
    controls_ = createFormControls(page);
    setWidget(page);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    iconPreview()->setAlignment(Qt::AlignCenter);
    connect(button(control::kChooseOutput), &QPushButton::clicked, this, [this] { ChooseOutputFile(); });
    connect(button(control::kChooseIcon), &QPushButton::clicked, this, [this] { ChooseIcon(); });
    connect(button(control::kCompile), &QPushButton::clicked, this, [this] { CompileBook(); });
    connect(button(control::kExit), &QPushButton::clicked, this, [this] { Exit(); });
    button(control::kCompile)->setEnabled(false);  // until the make command
}

void CDRMView::attach(book::BookStorage& storage, book::CPGWDoc& document, ui::UserInterface& ui,
                      QWidget* chapterTree) {
    storage_ = &storage;
    document_ = &document;
    ui_ = &ui;
    chapterTree_ = chapterTree;
}

QWidget* CDRMView::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}
QLineEdit* CDRMView::edit(int id) const { return qobject_cast<QLineEdit*>(control(id)); }
QPushButton* CDRMView::button(int id) const { return qobject_cast<QPushButton*>(control(id)); }
CTextProgressCtrl* CDRMView::progress() const { return static_cast<CTextProgressCtrl*>(control(control::kProgress)); }
QLabel* CDRMView::iconPreview() const { return qobject_cast<QLabel*>(control(control::kIconPreview)); }

bool CDRMView::takeData() {
    if (!ui_) return false;
    return exchange_.take(state_, *ui_);
}

void CDRMView::fillControls() { exchange_.fill(state_); }

BookInfo CDRMView::bookInfo() const {
    BookInfo info;
    info.bookId = state_.bookId;
    info.author = state_.author;
    info.homepage = state_.homepage;
    info.email = state_.email;
    info.copyright = state_.copyright;
    info.date = state_.date;
    info.other = state_.other;
    return info;
}

void CDRMView::OnInitialUpdate() {
    state_.outputPath.clear();
    state_.stubPath = install::readerStub(QCoreApplication::applicationDirPath().toStdString()).string();
    groupIconDirectory_.reset();
    if (storage_ && storage_->isOpen()) {
        bool failed = false;
        guid_ = loadBookGuid(*storage_, guid_, &failed, generateGuid_);
        state_.bookCode = failed ? std::string() : guid_.text();
    }
    fillControls();
}

void CDRMView::SetPublishMode(bool on) {
    button(control::kCompile)->setEnabled(on);
    fillControls();
    if (on || !storage_ || !document_) return;
    // Back from the form: the chapter selected in the tree shows its page again.
    const book::ChapterModel& chapters = storage_->chapters();
    const std::string name = chapters.label(chapters.selectedItem());
    if (!name.empty()) document_->exchangePage(name);
}

void CDRMView::ChooseOutputFile() {
    if (!ui_) return;
    takeData();
    const std::optional<std::string> chosen = ui_->askSavePath(kExecutableFilter);
    if (!chosen) return;
    state_.outputPath = withExecutableExtension(*chosen);
    fillControls();
}

void CDRMView::ChooseIcon() {
    if (!ui_) return;
    const std::optional<std::string> chosen = ui_->askOpenPath(kIconFilter);
    if (!chosen) return;
    takeData();
    fillControls();
    state_.iconPath = *chosen;
    fillControls();
    if (state_.iconPath.empty()) return;
    loadIconFile(state_.iconPath);
    const QIcon icon = CreatePreviewIcon(icons_);
    if (icon.isNull()) return;
    iconPreview()->setPixmap(icon.pixmap(kPreviewPixels, kPreviewPixels));
    iconChosen_ = true;
}

void CDRMView::loadIconFile(const std::string& path) {
    icons_.ResetIconFile();
    groupIconDirectory_.reset();
    if (icons_.ReadIconFile(path, *ui_)) groupIconDirectory_ = BuildGroupIconDirectory(icons_);
}

bool CDRMView::CompileBook() {
    if (!storage_ || !ui_) return false;
    takeData();  // a refused text leaves the values taken so far; the compile goes on
    if (chapterTree_) chapterTree_->setEnabled(false);
    CompileRequest request;
    request.bookPath = state_.bookPath;
    request.outputPath = state_.outputPath;
    request.stubPath = state_.stubPath;
    request.info = bookInfo();
    request.guid = guid_;
    request.iconChosen = iconChosen_;
    request.iconPath = state_.iconPath;
    BarProgress bar(*progress(), kProgressBackground);
    BookCompiler compiler(*storage_, *ui_);
    const bool compiled = compiler.compileBook(request, icons_, bar);
    if (compiled) {
        QApplication::beep();
        button(control::kCompile)->setEnabled(false);
        groupIconDirectory_.reset();
    }
    fillControls();
    return compiled;
}

void CDRMView::Exit() {
    emit exiting();
    if (chapterTree_) chapterTree_->setEnabled(true);
    SetPublishMode(false);
}

}  // namespace pgw::publish

#include "publish/CDRMView.h"

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/install/InstallLayout.h"
#include "publish/BookCompiler.h"
#include "publish/DrmFormLayout.h"
#include "publish/IconPreview.h"
#include "widgets/CTextProgressCtrl.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

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

// Where the compiled book lies, for the desktop to open.
std::string folderOf(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : absolute).parent_path().string();
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
    // The page takes the pane's width (up to its own limit), so nothing ends up beyond the
    // right edge.
    setWidgetResizable(true);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    connect(button(control::kChooseOutput), &QPushButton::clicked, this, [this] { ChooseOutputFile(); });
    connect(button(control::kChooseIcon), &QPushButton::clicked, this, [this] { ChooseIcon(); });
    connect(button(control::kClearIcon), &QPushButton::clicked, this, [this] { ClearIcon(); });
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
    // Only the fields the program sets: whatever the author typed stays as typed.
    exchange_.fillOne(state_, control::kBookPath);
    exchange_.fillOne(state_, control::kBookCode);
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
    exchange_.fillOne(state_, control::kOutputPath);
}

void CDRMView::ChooseIcon() {
    if (!ui_) return;
    const std::optional<std::string> chosen = ui_->askOpenPath(kIconFilter);
    if (!chosen || chosen->empty()) return;
    takeData();
    adoptIcon(*chosen);
}

// A file that cannot be read or shown is refused, with a message, and the icon chosen
// before stays chosen: a compile never meets an icon the form has not accepted.
bool CDRMView::adoptIcon(const std::string& path) {
    CIconFileReader candidate;
    if (!candidate.ReadIconFile(path, *ui_)) return false;
    const QIcon icon = CreatePreviewIcon(candidate);
    if (icon.isNull()) {
        ui_->showMessage(ui::plainMessage("图标文件中没有能显示的图像，没有使用它：" + path));
        return false;
    }
    icons_ = std::move(candidate);
    groupIconDirectory_ = BuildGroupIconDirectory(icons_);
    iconPreview()->setPixmap(icon.pixmap(kPreviewPixels, kPreviewPixels));
    iconChosen_ = true;
    iconSource_ = path;
    state_.iconPath = path;
    exchange_.fillOne(state_, control::kIconPath);
    return true;
}

void CDRMView::ClearIcon() {
    icons_.ResetIconFile();
    groupIconDirectory_.reset();
    iconPreview()->clear();
    iconChosen_ = false;
    iconSource_.clear();
    state_.iconPath.clear();
    exchange_.fillOne(state_, control::kIconPath);
}

// The icon field edited by hand: emptied, it means the stub's own icon; naming another
// file, that file is read as the chooser reads it.
bool CDRMView::settleIcon() {
    if (state_.iconPath == iconSource_) return true;
    if (state_.iconPath.empty()) {
        ClearIcon();
        return true;
    }
    return adoptIcon(state_.iconPath);
}

bool CDRMView::CompileBook() {
    if (!storage_ || !ui_) return false;
    // A refused text or icon, a No to replacing the output, or a failed compile leaves the
    // output as it was and the author on the form, with the tree usable again.
    if (!takeData() || !settleIcon() || !compile()) {
        enableTree();
        return false;
    }
    reportSuccess();
    return true;
}

bool CDRMView::compile() {
    if (chapterTree_) chapterTree_->setEnabled(false);
    CompileRequest request;
    request.bookPath = state_.bookPath;
    request.outputPath = state_.outputPath;
    request.stubPath = state_.stubPath;
    request.info = bookInfo();
    request.guid = guid_;
    request.iconChosen = iconChosen_;
    request.iconPath = state_.iconPath;
    request.askBeforeReplacing = true;
    BarProgress bar(*progress(), kProgressBackground);
    BookCompiler compiler(*storage_, *ui_);
    if (!compiler.compileBook(request, icons_, bar)) return false;
    desktop_->beep();
    button(control::kCompile)->setEnabled(false);
    groupIconDirectory_.reset();
    return true;
}

// The beep alone is easily missed, or silent: the author is told where the book went and
// may open its folder.
void CDRMView::reportSuccess() {
    const std::string& output = state_.outputPath;
    ui_->showStatus("电子书合成成功：" + output);
    const ui::Message done{"电子书已合成：\n" + output + "\n\n要打开它所在的文件夹吗？", {}, ui::Buttons::YesNo,
                           ui::Icon::Information};
    if (ui_->showMessage(done) != ui::Answer::Yes) return;
    const std::string folder = folderOf(output);
    if (!desktop_->openUrl(folder)) ui_->showMessage(ui::plainMessage("无法打开文件夹：" + folder));
}

void CDRMView::enableTree() {
    if (chapterTree_) chapterTree_->setEnabled(true);
}

void CDRMView::Exit() {
    emit exiting();
    enableTree();
    SetPublishMode(false);
}

}  // namespace pgw::publish

// File > Export EPUB: the open book written as an e-book, the page on show stored first,
// a progress bar in the status bar while the pages go out.

#include "platform/text/CodePage.h"
#include "publish/CDRMView.h"
#include "publish/epub/OpenBookExport.h"
#include "shell/CMainFrame.h"
#include "widgets/CTextProgressCtrl.h"

#include <QLabel>
#include <QStatusBar>

namespace pgw::shell {

namespace {

// The status bar's progress bar for the time of one export (it paints itself at every
// step: the export does not return to the event loop until it ends).
class StatusBarProgress : public publish::CompileProgress {
public:
    explicit StatusBarProgress(QStatusBar* bar) : bar_(bar), progress_(new CTextProgressCtrl(bar)) {
        progress_->setMinimumWidth(200);
        bar_->addPermanentWidget(progress_);
    }
    ~StatusBarProgress() override {
        bar_->removeWidget(progress_);
        delete progress_;
    }
    StatusBarProgress(const StatusBarProgress&) = delete;
    StatusBarProgress& operator=(const StatusBarProgress&) = delete;

    void begin(int32_t upper) override {
        progress_->SetRange(0, upper);
        progress_->SetStep(1);
        progress_->show();
    }
    void step() override { progress_->StepIt(); }
    void end() override { progress_->SetPos(0); }

private:
    QStatusBar* bar_;
    CTextProgressCtrl* progress_;
};

bool endsWithEpub(const std::string& path) {
    if (path.size() < 5) return false;
    std::string suffix = path.substr(path.size() - 5);
    for (char& c : suffix) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return suffix == ".epub";
}

std::string fromGbk(const std::string& gbk) {
    std::string utf8;
    return text::gbkToUtf8(gbk, &utf8).ok() ? utf8 : std::string();
}

// The book information the author gave the publish form, as far as an e-book states it.
publish::epub::EpubRequest requestFor(const std::string& path, const publish::PublishFormState& form) {
    publish::epub::EpubRequest request{path, {}, fromGbk(form.author), {}, fromGbk(form.copyright)};
    if (const auto date = publish::epub::epubDate(fromGbk(form.date))) request.date = *date;
    return request;
}

}  // namespace

void CMainFrame::exportEpub() {
    if (!session_.bookOpen) return;
    // The page on show is the one the author edited; one that cannot be stored keeps the
    // author in its editor.
    if (!document_->storeShownPage()) return;
    auto path = ui_->askSavePath({{"EPUB电子书(*.epub)", "*.epub"}, {"所有文件(*.*)", "*.*"}});
    if (!path) return;
    if (!endsWithEpub(*path)) *path += ".epub";
    publish::epub::EpubResult result;
    {
        StatusBarProgress progress(statusBar());
        result = publish::epub::exportOpenBook(*storage_, requestFor(*path, publishForm_->state()), progress);
    }
    if (!result.ok) {
        if (!result.error.empty()) ui_->showMessage(ui::plainMessage("导出EPUB失败：" + result.error));
        return;
    }
    statusPanes_[1]->setText(QString::fromStdString("已导出EPUB：" + *path));
    if (!result.notes.empty()) {
        std::string text = "EPUB已导出，但有些内容没有导出：";
        for (const std::string& note : result.notes) text += "\n" + note;
        ui_->showMessage(ui::Message{text, {}, ui::Buttons::Ok, ui::Icon::Information});
    }
}

}  // namespace pgw::shell

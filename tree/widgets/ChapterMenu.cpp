#include "tree/widgets/ChapterMenu.h"

#include "tree/ChapterSupport.h"

namespace pgw::tree::widgets {

namespace cmd = framework::cmd;

bool chapterMenuAddsEnabled(book::BookStorage& storage) {
    if (storage.session().index.empty()) return true;
    const book::NodeInfoRecord* record = detail::recordOf(storage, storage.tree().selectedItem());
    return record && record->isStorage();
}

QMenu* createChapterMenu(QWidget* parent, bool addsEnabled, std::function<void(framework::CommandId)> run) {
    auto* menu = new QMenu(QStringLiteral("操作目录树"), parent);
    const auto add = [&](const char* text, framework::CommandId id, bool enabled) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(uint(id));
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, menu, [run, id] { run(id); });
    };
    add("在当前目录下插入子目录(&D)", cmd::kInsertDirectory, addsEnabled);
    add("在当前目录下插入文本页(&A)", cmd::kInsertTextPage, addsEnabled);
    add("在当前目录下插入图片页(&P)", cmd::kInsertPicturePage, addsEnabled);
    menu->addSeparator();
    add("展开所有章节", cmd::kExpandAll, true);
    return menu;
}

framework::CommandId commandOf(const QAction* action) {
    return action && !action->isSeparator() ? framework::CommandId(action->data().toUInt()) : 0;
}

}  // namespace pgw::tree::widgets

#include "PaneFixture.h"

#include <QAction>
#include <QTest>

#include <deque>

namespace pgw::tree::widgets::testing {

void PaneFixture::SetUp() {
    ASSERT_TRUE(p.storage.newBook());
    root = utf8(p.storage.title());
    p.ui.clearMessages();
    p.document.setModified(false);
    p.pane.updateCommandStates();  // what the frame does once the book is open
}

ItemId PaneFixture::item(const std::string& utf8Name) const {
    const book::NodeInfoRecord* found = record(utf8Name);
    return found ? found->item : kNoItem;
}

QPoint PaneFixture::labelPoint(const std::string& utf8Name) const {
    const QRect cell = p.tree.visualRect(index(utf8Name));
    return {cell.left() + kImageSize + 12, cell.center().y()};
}

std::string PaneFixture::storedContent(const std::string& utf8Name) const {
    std::deque<std::string> path;
    for (const book::NodeInfoRecord* at = record(utf8Name); at && at->parentName != "NULL";
         at = p.session.index.find(at->parentName))
        path.push_front(at->objName);
    return book::testing::streamText(p.storage.store().workingCopyPath, {path.begin(), path.end()});
}

void PaneFixture::showPane() {
    p.pane.resize(260, 400);
    p.pane.show();
    p.tree.expandAll();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.pane));
}

ItemId PaneFixture::addUnder(const std::string& parent, const std::string& name, book::NodeType type) {
    return type == book::NodeType::Directory ? p.storage.createDirectory(item(parent), gbk(name))
                                             : p.storage.createPage(item(parent), gbk(name), type);
}

void PaneFixture::buildChapters() {
    addUnder(root, "A", book::NodeType::Directory);
    addUnder("A", "a1", book::NodeType::Text);
    addUnder("A", "a2", book::NodeType::Picture);
    addUnder(root, "B", book::NodeType::Directory);
    addUnder("B", "b1", book::NodeType::Text);
    p.storage.writeNodeInfo();
}

void settle() {
    // The editor commits through queued calls, and the name is applied after it closed.
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<std::pair<std::string, bool>> menuItems(const QMenu& menu) {
    std::vector<std::pair<std::string, bool>> items;
    for (const QAction* action : menu.actions())
        items.emplace_back(action->isSeparator() ? "-" : action->text().toStdString(), action->isEnabled());
    return items;
}

}  // namespace pgw::tree::widgets::testing

#include "ChapterFixture.h"

#include <deque>

namespace pgw::tree::testing {

void ChapterFixture::SetUp() {
    navigation.attach();
    ASSERT_TRUE(parts.storage.newBook());
    root = utf8(parts.storage.title());
    parts.ui.clearMessages();
    parts.document.setModified(false);
}

std::vector<std::string> ChapterFixture::storedNames() const {
    std::vector<std::string> names;
    for (const auto& stored : book::testing::readTable(workingCopy()).records) names.push_back(utf8(stored.itemName));
    return names;
}

std::string ChapterFixture::storedContent(const std::string& utf8Name) const {
    std::deque<std::string> path;
    for (const book::NodeInfoRecord* at = record(utf8Name); at && at->parentName != "NULL";
         at = parts.session.index.find(at->parentName))
        path.push_front(at->objName);
    return book::testing::streamText(workingCopy(), {path.begin(), path.end()});
}

void ChapterFixture::buildSampleChapters() {
    addDirectoryUnder(root, "A");
    addTextUnder("A", "a1");
    addTextUnder("A", "a2");
    addDirectoryUnder(root, "B");
    addTextUnder("B", "b1");
    addDirectoryUnder("B", "C");
    addTextUnder("C", "c1");
    addPictureUnder(root, "pic");
    for (const char* page : {"a1", "a2", "b1", "c1"}) typeAndLeave(page, std::string("{\\rtf1 text of ") + page + "}");
    typeAndLeave("pic", std::string("\x01\x00picture\xFF", 10));
    select(root);
}

void ChapterFixture::typeAndLeave(const std::string& utf8Name, const std::string& content) {
    select(utf8Name);
    record(utf8Name)->storePending = true;
    (record(utf8Name)->type() == book::NodeType::Picture ? parts.editors.pictures : parts.editors.text) = content;
    select(root);
}

std::string ChapterFixture::addDirectoryUnder(const std::string& parent, const std::string& name) {
    select(parent);
    return utf8(operations.addDirectory(name.empty() ? std::string() : gbk(name)));
}

std::string ChapterFixture::addTextUnder(const std::string& parent, const std::string& name) {
    select(parent);
    return utf8(operations.addTextPage(name.empty() ? std::string() : gbk(name)));
}

std::string ChapterFixture::addPictureUnder(const std::string& parent, const std::string& name) {
    select(parent);
    return utf8(operations.addPicturePage(name.empty() ? std::string() : gbk(name)));
}

}  // namespace pgw::tree::testing

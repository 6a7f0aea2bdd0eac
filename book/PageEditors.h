#pragma once
// The page editors as the book sees them: one rich-text editor and one picture list for
// the whole book, and the right-hand pane that shows one view at a time. A text page
// moves as RTF bytes, a picture page as its picture list's stored form.

#include "book/NodeInfoRecord.h"

#include <optional>
#include <string>
#include <string_view>

namespace pgw::book {

// Views of the right-hand pane; a page's view is its node type.
enum class PaneView { None = 0, RichText = 1, Picture = 2, Web = 3, PublishForm = 4 };

class PageEditors {
public:
    virtual ~PageEditors() = default;

    virtual std::string saveText() = 0;  // the editor's whole content as RTF
    virtual void loadText(std::string_view rtf) = 0;
    // The text editor holds just what was last loaded into it or saved from it.
    virtual bool textUnchangedSinceExchange() const { return false; }
    virtual std::string savePictures() = 0;  // the picture list's stored form
    virtual void loadPictures(std::string_view stored) = 0;

    // A web page is only shown: its stored HTML goes to the web view and never comes back.
    virtual void loadWebPage(std::string_view stored) { (void)stored; }

    virtual PaneView shownView() const = 0;
    virtual void showView(PaneView view) = 0;
    // The rich-text view learns which page it now shows.
    virtual void textPageShown(NodeId item, const std::string& name) = 0;
};

// Editors that only hold the bytes: for the command-line tool and the tests.
class HeldPageEditors : public PageEditors {
public:
    std::string saveText() override { return exchangedText = text; }
    void loadText(std::string_view rtf) override;  // counts the loads
    bool textUnchangedSinceExchange() const override { return text == exchangedText; }
    std::string savePictures() override { return pictures; }
    void loadPictures(std::string_view stored) override { pictures = stored; }
    void loadWebPage(std::string_view stored) override {
        webPage = stored;
        ++webPageLoads;
    }
    PaneView shownView() const override { return view; }
    void showView(PaneView shown) override { view = shown; }
    void textPageShown(NodeId item, const std::string& name) override {
        textItem = item;
        textName = name;
    }

    std::string text;
    int textLoads = 0;
    std::string exchangedText;
    std::string pictures;
    std::string webPage;
    int webPageLoads = 0;
    PaneView view = PaneView::None;
    NodeId textItem = kNoNode;
    std::string textName;
};

// The bytes a page's stream holds: empty for a page without a stream (never written);
// nothing when the stream cannot be read.
std::optional<std::string> storedPageBytes(const NodeInfoRecord& record);

// Where an RTF document ends: just after the brace that closes its outermost group, or
// the whole input when it never closes. Bytes after it are an older, longer content.
size_t rtfDocumentLength(std::string_view bytes);

}  // namespace pgw::book

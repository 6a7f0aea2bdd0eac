#pragma once
// A text view with a document, a session and an index, as the window wires them, and
// helpers that read what the view holds back in the page's own terms.

#include "editors/CRTFView.h"
#include "editors/RichTextBridge.h"
#include "platform/richtext/RtfReader.h"
#include "platform/ui/ScriptedUserInterface.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace pgw::editors::testing {

struct ViewParts {
    book::BookSession session;
    ui::ScriptedUserInterface ui;
    book::HeldPageEditors held;
    book::BookStorage storage{session, ui};
    book::CPGWDoc document{storage, held};
    CRTFView view;

    // A page bound to a record, loaded from `rtf`, with a book open; nothing marked yet.
    explicit ViewParts(const std::string& rtf = {}) {
        session.bookOpen = true;
        auto page = std::make_unique<book::NodeInfoRecord>();
        page->itemName = "page";
        record = session.chapters.record(session.chapters.insert(book::kNoNode, std::move(page)));
        view.setDocument(&document, &session);
        view.setUserInterface(&ui);
        view.loadText(rtf);
        view.bindCurrentPage(1, "page");
        view.resize(800, 600);
    }

    QTextEdit& edit() const { return *view.editor(); }
    richtext::RichDocument content() const { return documentContent(*view.editor()->document()); }
    const richtext::ParagraphFormat& paragraph(size_t index) const {
        kept = content();
        return kept.paragraphs.at(index).format;
    }
    // The format of the text run holding `text`.
    richtext::CharFormat formatOf(const std::string& text) const {
        kept = content();
        for (const richtext::Paragraph& paragraph : kept.paragraphs)
            for (const richtext::Inline& piece : paragraph.content)
                if (const auto* run = std::get_if<richtext::TextRun>(&piece); run && run->text.find(text) != std::string::npos)
                    return run->format;
        ADD_FAILURE() << "no run holds " << text;
        return {};
    }
    bool edited() const { return document.isModified() && record->storePending; }
    void clearEdited() {
        document.setModified(false);
        record->storePending = false;
    }
    // Selects [from, to) of the document's text.
    void select(int from, int to) {
        QTextCursor cursor(view.editor()->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        view.editor()->setTextCursor(cursor);
    }
    void caretTo(int position) { select(position, position); }

    book::NodeInfoRecord* record = nullptr;
    mutable richtext::RichDocument kept;
};

// A page in the rich edit dialect: two paragraphs "first" and "second".
inline const std::string kTwoParagraphs =
    "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
    "\\f0\\fs20 first\\par second\\par}";

}  // namespace pgw::editors::testing

#include "platform/framework/CommandRouter.h"
#include "platform/framework/FrameRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pgw::framework {
namespace {

// A target that logs which of them received a command.
struct LoggingTarget : CommandMap {
    LoggingTarget(std::string targetName, std::vector<std::string>& sink) : name(std::move(targetName)), log(sink) {}
    void handles(CommandId id) {
        onCommand(id, [this] { log.push_back(name); });
    }
    std::string name;
    std::vector<std::string>& log;
};

class RouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        installFrameRules(frame, [this] { return bookOpen; });
        frame.onCommand(cmd::kMake, [this] { log.push_back("frame"); });
        frame.onCommand(cmd::kPageUp, [this] { log.push_back("frame"); });
        for (CommandId id : {cmd::kBold, cmd::kPaste, cmd::kCut}) richText.handles(id);
        for (CommandId id : {cmd::kZoomIn, cmd::kInsertPicture}) picture.handles(id);
        for (CommandId id : {cmd::kAddChapter, cmd::kRenameChapter, cmd::kDeleteChapter}) chapterPane.handles(id);
        document.handles(cmd::kSave);
        application.handles(cmd::kOpen);
    }
    CommandChain chainWith(CommandTarget* view) { return CommandChain::main(view, &document, &frame, &application); }

    bool bookOpen = true;
    std::vector<std::string> log;
    LoggingTarget richText{"richText", log}, picture{"picture", log}, chapterPane{"chapterPane", log};
    LoggingTarget document{"document", log}, application{"application", log};
    LoggingTarget frame{"frame", log};
};

TEST_F(RouterTest, FirstTargetThatHandlesTakesTheCommand) {
    // Everyone handles 9999: the order of the chain decides.
    for (LoggingTarget* t : {&richText, &document, &frame, &application}) t->handles(9999);
    struct Case { CommandTarget* view; CommandTarget* doc; CommandTarget* frm; const char* expected; };
    const Case cases[] = {{&richText, &document, &frame, "richText"},
                          {nullptr, &document, &frame, "document"},
                          {nullptr, nullptr, &frame, "frame"},
                          {nullptr, nullptr, nullptr, "application"}};
    for (const Case& c : cases) {
        log.clear();
        EXPECT_TRUE(CommandRouter::route(CommandChain::main(c.view, c.doc, c.frm, &application), 9999));
        EXPECT_EQ(log, std::vector<std::string>{c.expected});
    }
}

TEST_F(RouterTest, CommandsFallThroughToWhoeverHandlesThem) {
    EXPECT_TRUE(CommandRouter::route(chainWith(&picture), cmd::kSave));
    EXPECT_TRUE(CommandRouter::route(chainWith(&picture), cmd::kOpen));
    EXPECT_TRUE(CommandRouter::route(chainWith(&picture), cmd::kMake));
    EXPECT_EQ(log, (std::vector<std::string>{"document", "application", "frame"}));
    EXPECT_FALSE(CommandRouter::route(chainWith(&picture), cmd::kNextPane));
}

TEST_F(RouterTest, NoRuleAndNoHandlerMeansDisabled) {
    EXPECT_EQ(CommandRouter::state(chainWith(&richText), cmd::kNextPane), CommandState{});
    EXPECT_EQ(CommandRouter::state(CommandChain::main(nullptr, nullptr, nullptr, nullptr), cmd::kSave), CommandState{});
    // A handler anywhere in the chain enables it.
    EXPECT_TRUE(CommandRouter::state(chainWith(&picture), cmd::kSave).enabled);
    EXPECT_TRUE(CommandRouter::state(chainWith(nullptr), cmd::kOpen).enabled);
}

TEST_F(RouterTest, ViewRuleComesBeforeTheFramesBookOpenRule) {
    bool clipboardHasText = false;
    richText.onUpdate(cmd::kPaste, [&] { return CommandState{clipboardHasText, false}; });
    for (bool open : {false, true}) {
        bookOpen = open;
        for (bool clip : {false, true}) {
            clipboardHasText = clip;
            EXPECT_EQ(CommandRouter::state(chainWith(&richText), cmd::kPaste).enabled, clip) << open << clip;
            // Without the rich-text view the frame's rule decides.
            EXPECT_EQ(CommandRouter::state(chainWith(&picture), cmd::kPaste).enabled, open) << open << clip;
        }
    }
}

TEST_F(RouterTest, RuleDecidesCheckedState) {
    richText.onUpdate(cmd::kBold, [] { return CommandState{true, true}; });
    EXPECT_EQ(CommandRouter::state(chainWith(&richText), cmd::kBold), (CommandState{true, true}));
    EXPECT_EQ(CommandRouter::state(chainWith(&picture), cmd::kBold), (CommandState{true, false}));
}

TEST_F(RouterTest, FrameNoOpKeepsViewButtonsEnabledWhicheverViewIsActive) {
    bookOpen = false;
    for (CommandTarget* view : {static_cast<CommandTarget*>(&richText), static_cast<CommandTarget*>(&picture),
                                static_cast<CommandTarget*>(nullptr)}) {
        for (CommandId id : kFrameNoOpIds) {
            const bool bookRule = std::ranges::find(kBookOpenIds, id) != kBookOpenIds.end();
            EXPECT_EQ(CommandRouter::state(chainWith(view), id).enabled, !bookRule) << id;
            log.clear();
            EXPECT_TRUE(CommandRouter::route(chainWith(view), id)) << id;
            // Swallowed by the frame unless the active view handles it.
            const bool viewHandles = view && view->hasHandler(id);
            EXPECT_EQ(log.size(), viewHandles ? 1u : 0u) << id;
        }
    }
}

TEST_F(RouterTest, BookOpenFlagGatesChapterAndPageCommandsOnly) {
    for (bool open : {false, true}) {
        bookOpen = open;
        for (CommandId id : kBookOpenIds) EXPECT_EQ(CommandRouter::state(chainWith(&picture), id).enabled, open) << id;
        EXPECT_TRUE(CommandRouter::state(chainWith(&picture), cmd::kMake).enabled);
        EXPECT_TRUE(CommandRouter::state(chainWith(&picture), cmd::kHideChapterPane).enabled);
    }
}

TEST_F(RouterTest, PopupMenuReachesOnlyItsViewAndDocument) {
    const CommandChain popup = CommandChain::window(&picture, &document);
    EXPECT_TRUE(CommandRouter::route(popup, cmd::kZoomIn));
    EXPECT_TRUE(CommandRouter::route(popup, cmd::kSave));
    // Neither the frame's no-op, its own commands nor the application are reached.
    EXPECT_FALSE(CommandRouter::route(popup, cmd::kZoomOut));
    EXPECT_FALSE(CommandRouter::route(popup, cmd::kMake));
    EXPECT_FALSE(CommandRouter::route(popup, cmd::kOpen));
    EXPECT_EQ(log, (std::vector<std::string>{"picture", "document"}));
    // And its items are not subject to the frame's book-open rule.
    bookOpen = false;
    EXPECT_TRUE(CommandRouter::state(popup, cmd::kInsertPicture).enabled);
}

TEST_F(RouterTest, ChapterPaneToolbarRoutesToPaneButIsEnabledThroughFrame) {
    // The chapter pane is not the active view: the rich-text view is.
    EXPECT_TRUE(CommandRouter::route(CommandChain::window(&chapterPane, &document), cmd::kRenameChapter));
    EXPECT_EQ(log, std::vector<std::string>{"chapterPane"});
    for (bool open : {false, true}) {
        bookOpen = open;
        EXPECT_EQ(CommandRouter::state(chainWith(&richText), cmd::kRenameChapter).enabled, open);
        EXPECT_EQ(CommandRouter::state(chainWith(&richText), cmd::kAddChapter).enabled, open);
    }
    // The hide button has only the frame's no-op: always enabled.
    bookOpen = false;
    EXPECT_TRUE(CommandRouter::state(chainWith(&richText), cmd::kHideChapterPane).enabled);
}

TEST(CommandMapTest, HandlerMayReplaceItselfWhileRunning) {
    CommandMap map;
    int calls = 0;
    map.onCommand(1, [&] {
        ++calls;
        map.onCommand(1, [&] { calls += 10; });
    });
    EXPECT_TRUE(map.handleCommand(1));
    EXPECT_TRUE(map.handleCommand(1));
    EXPECT_EQ(calls, 11);
    EXPECT_FALSE(map.handleCommand(2));
}

}  // namespace
}  // namespace pgw::framework

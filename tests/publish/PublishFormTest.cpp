// The publish form on its own, over a real book: its controls, the data exchange with its
// refusals, the output and icon choosers, and the book code of the initial update.
#include "../book/BookFixture.h"
#include "IconFileBytes.h"
#include "publish/CDRMView.h"
#include "publish/DrmFormLayout.h"
#include "widgets/CTextProgressCtrl.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

#include <gtest/gtest.h>

#include <fstream>

namespace pgw::publish {
namespace {

using book::testing::gbk;
using book::testing::ProgramParts;
using book::testing::ScratchFolder;

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parts.storage.newBook());
        form.attach(parts.storage, parts.document, parts.ui, nullptr);
        form.resize(900, 700);
    }

    QString shown(int id) const { return form.edit(id)->text(); }
    void type(int id, const QString& text) { form.edit(id)->setText(text); }

    ScratchFolder folder;
    ProgramParts parts;
    CDRMView form;
};

// ---- controls -------------------------------------------------------------------------

TEST_F(FormFixture, HasEveryLabelAndButtonOfItsTemplate) {
    QStringList labels;
    for (const QLabel* label : form.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"源文件", "作者名", "主　页", "电子信箱", "版权信息", "制作时间", "电子书编码",
                             "电子书ID", "其它信息", "合成进度"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    const std::pair<int, const char*> buttons[] = {{control::kChooseOutput, "输出文件"},
                                                   {control::kChooseIcon, "选择图标"},
                                                   {control::kCompile, "合    成"},
                                                   {control::kExit, "退    出"}};
    for (const auto& [id, text] : buttons) {
        ASSERT_NE(form.button(id), nullptr) << id;
        EXPECT_EQ(form.button(id)->text(), QString::fromUtf8(text));
    }
    EXPECT_FALSE(form.button(control::kCompile)->isEnabled()) << "only the make command enables it";
    ASSERT_NE(form.progress(), nullptr);
    ASSERT_NE(form.iconPreview(), nullptr);
    const auto lines = form.findChildren<QFrame*>();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QFrame* frame) {
        return frame->frameShape() == QFrame::VLine && frame->frameShadow() == QFrame::Sunken;
    }));
}

TEST_F(FormFixture, OnlyTheBookPathAndTheBookCodeAreReadOnly) {
    for (const ExchangedField& field : kExchangedFields) {
        ASSERT_NE(form.edit(field.controlId), nullptr) << field.controlId;
        const bool readOnly = field.controlId == control::kBookPath || field.controlId == control::kBookCode;
        EXPECT_EQ(form.edit(field.controlId)->isReadOnly(), readOnly) << field.controlId;
    }
}

TEST_F(FormFixture, PlacesControlsInDialogUnitsOfTheFormFont) {
    const DialogUnits units(form.widget()->font());
    EXPECT_GE(units.baseWidth(), 4);
    EXPECT_GE(units.baseHeight(), 8);
    EXPECT_EQ(form.widget()->size(), units.toPixels(QRect(QPoint(), kFormSizeInDialogUnits)).size());
    EXPECT_EQ(form.edit(control::kAuthor)->geometry(), units.toPixels(QRect(247, 49, 182, 12)));
    // The bar sits inside its one-pixel border.
    EXPECT_EQ(form.progress()->parentWidget()->geometry(), units.toPixels(QRect(43, 267, 378, 10)));
    EXPECT_EQ(form.progress()->geometry(), QRect(QPoint(1, 1), units.toPixels(QRect(43, 267, 378, 10)).size() - QSize(2, 2)));
    // Every control lies on the page, and the columns do not run into each other.
    for (QWidget* child : form.widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(form.widget()->rect().contains(child->geometry())) << child->objectName().toStdString();
    EXPECT_LT(form.edit(control::kBookPath)->geometry().right(), form.edit(control::kOutputPath)->geometry().left());
    EXPECT_LT(form.edit(control::kAuthor)->geometry().bottom(), form.edit(control::kHomepage)->geometry().top());
    EXPECT_LT(form.edit(control::kBookId)->geometry().bottom(), form.edit(control::kOther)->geometry().top());
}

TEST(DialogUnitsTest, ScaleAcrossByAQuarterAndDownByAnEighthOfTheBase) {
    QFont font = formFont();
    const DialogUnits units(font);
    const QRect rect = units.toPixels(QRect(4, 8, 40, 80));
    EXPECT_EQ(rect.x(), units.baseWidth());
    EXPECT_EQ(rect.y(), units.baseHeight());
    EXPECT_EQ(rect.width(), 10 * units.baseWidth());
    EXPECT_EQ(rect.height(), 10 * units.baseHeight());
    font.setPointSize(20);
    EXPECT_GT(DialogUnits(font).baseHeight(), units.baseHeight()) << "a larger font, a larger form";
}

// ---- data exchange --------------------------------------------------------------------

TEST_F(FormFixture, FillingAndTakingKeepsEveryTextThroughGbk) {
    type(control::kAuthor, QStringLiteral("张三"));
    type(control::kHomepage, QStringLiteral("http://example.com/书"));
    type(control::kBookId, QStringLiteral("ID-1"));
    type(control::kOutputPath, QStringLiteral("/tmp/书.exe"));
    ASSERT_TRUE(form.takeData());
    EXPECT_EQ(form.state().author, gbk("张三"));
    EXPECT_EQ(form.state().homepage, gbk("http://example.com/书"));
    EXPECT_EQ(form.bookInfo().bookId, "ID-1");
    EXPECT_EQ(form.state().outputPath, "/tmp/书.exe") << "paths stay the host's";
    type(control::kAuthor, QString());
    form.fillControls();
    EXPECT_EQ(shown(control::kAuthor), QStringLiteral("张三"));
    EXPECT_TRUE(parts.ui.messages().empty());
}

struct LimitCase {
    int id;
    size_t limit;
};

std::ostream& operator<<(std::ostream& out, const LimitCase& c) { return out << "control" << c.id; }

class FormLimits : public FormFixture, public ::testing::WithParamInterface<LimitCase> {
protected:
    // Every editable field holds "old"; then each gets "new" typed in.
    void typeNewEverywhere() {
        for (const ExchangedField& field : kExchangedFields)
            if (!form.edit(field.controlId)->isReadOnly()) type(field.controlId, QStringLiteral("old"));
        ASSERT_TRUE(form.takeData());
        for (const ExchangedField& field : kExchangedFields)
            if (!form.edit(field.controlId)->isReadOnly()) type(field.controlId, QStringLiteral("new"));
    }
    // The position of a control in the exchange order.
    static size_t orderOf(int id) {
        for (size_t i = 0; i < std::size(kExchangedFields); ++i)
            if (kExchangedFields[i].controlId == id) return i;
        return SIZE_MAX;
    }
};

TEST_P(FormLimits, AcceptTheLimitAndRefuseOneByteMoreLeavingLaterFieldsAlone) {
    const LimitCase& c = GetParam();
    typeNewEverywhere();
    // Exactly the limit: two-byte characters in record texts, the path's own bytes in paths.
    const ExchangedField& field = kExchangedFields[orderOf(c.id)];
    const bool gbkText = field.kind == FieldText::Gbk;
    const QString atLimit = gbkText ? QString(int(c.limit / 2), QChar(0x4E2D)) : QString(int(c.limit), QLatin1Char('p'));
    type(c.id, atLimit);
    ASSERT_TRUE(form.takeData());
    EXPECT_EQ(form.state().*field.member, gbkText ? gbk(atLimit.toStdString()) : atLimit.toStdString());
    typeNewEverywhere();
    type(c.id, QString(int(c.limit + 1), QLatin1Char('x')));
    EXPECT_FALSE(form.takeData());
    ASSERT_EQ(parts.ui.messageTexts(), (std::vector<std::string>{"“请填入不多于" + std::to_string(c.limit) + "个的字符。”"}));
    EXPECT_EQ(form.widget()->focusWidget(), form.edit(c.id));
    for (const ExchangedField& other : kExchangedFields) {
        if (form.edit(other.controlId)->isReadOnly()) continue;
        const bool taken = orderOf(other.controlId) < orderOf(c.id);
        EXPECT_EQ(form.state().*other.member, taken ? "new" : "old") << other.controlId;
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, FormLimits, ::testing::Values(
    LimitCase{control::kAuthor, 50}, LimitCase{control::kCopyright, 50}, LimitCase{control::kDate, 50},
    LimitCase{control::kHomepage, 200}, LimitCase{control::kEmail, 200}, LimitCase{control::kOther, 300},
    LimitCase{control::kIconPath, 260}, LimitCase{control::kOutputPath, 260}, LimitCase{control::kBookId, 260}));

TEST_F(FormFixture, CountsChineseCharactersAsTwoBytes) {
    type(control::kAuthor, QString(25, QChar(0x4E2D)));  // 50 GBK bytes
    EXPECT_TRUE(form.takeData());
    type(control::kAuthor, QString(25, QChar(0x4E2D)) + QLatin1Char('a'));  // 51
    EXPECT_FALSE(form.takeData());
    EXPECT_EQ(parts.ui.messageTexts(), std::vector<std::string>{"“请填入不多于50个的字符。”"});
    EXPECT_EQ(form.state().author, gbk(QString(25, QChar(0x4E2D)).toStdString())) << "the refused text is not kept";
}

TEST_F(FormFixture, RefusesTextGbkCannotHoldInsteadOfStoringItLossy) {
    type(control::kCopyright, QString::fromUtf8("版权\U0001F4D6"));  // GBK has no emoji
    type(control::kAuthor, QString::fromUtf8("作者\U0001F600"));
    EXPECT_FALSE(form.takeData());
    ASSERT_EQ(parts.ui.messages().size(), 1u);
    EXPECT_EQ(parts.ui.messageTexts().front(), kUnstorableTextMessage);
    EXPECT_EQ(form.widget()->focusWidget(), form.edit(control::kCopyright)) << "copyright comes before author";
    EXPECT_EQ(form.state().copyright, "");
    EXPECT_EQ(form.state().author, "");
}

// ---- output file ----------------------------------------------------------------------

struct OutputCase {
    const char* chosen;
    const char* kept;
};

class OutputChoice : public FormFixture, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(OutputChoice, EndsInExactlyDotExe) {
    parts.ui.queueSavePath(std::string(GetParam().chosen));
    form.ChooseOutputFile();
    EXPECT_EQ(form.state().outputPath, GetParam().kept);
    EXPECT_EQ(shown(control::kOutputPath).toStdString(), GetParam().kept);
    ASSERT_EQ(parts.ui.dialogFilters().size(), 1u);
    ASSERT_EQ(parts.ui.dialogFilters()[0].size(), 1u);
    EXPECT_EQ(parts.ui.dialogFilters()[0][0].description, "可执行文件 (*.exe)");
    EXPECT_EQ(parts.ui.dialogFilters()[0][0].pattern, "*.exe");
}

INSTANTIATE_TEST_SUITE_P(Names, OutputChoice, ::testing::Values(
    OutputCase{"/out/book", "/out/book.exe"},
    OutputCase{"/out/book.exe", "/out/book.exe"},
    OutputCase{"/out/book.EXE", "/out/book.EXE.exe"},
    OutputCase{"ab", "ab.exe"},
    OutputCase{"", ".exe"}));

TEST_F(FormFixture, CancellingTheOutputChooserChangesNothingButTakesTheTypedData) {
    type(control::kOutputPath, QStringLiteral("/out/typed.exe"));
    type(control::kAuthor, QStringLiteral("me"));
    parts.ui.queueSavePath(std::nullopt);
    form.ChooseOutputFile();
    EXPECT_EQ(form.state().outputPath, "/out/typed.exe");
    EXPECT_EQ(form.state().author, "me");
}

// ---- icon -----------------------------------------------------------------------------

TEST_F(FormFixture, ChosenIconShowsItsPreviewAndSetsTheFlag) {
    const std::string path = folder.file("book.ico");
    std::ofstream(path, std::ios::binary) << test::icoFileBytes();
    parts.ui.queueOpenPath(path);
    form.ChooseIcon();
    EXPECT_EQ(parts.ui.dialogFilters().back().front().description, "图标文件 (*.ico)");
    EXPECT_EQ(form.state().iconPath, path);
    EXPECT_EQ(shown(control::kIconPath).toStdString(), path);
    EXPECT_TRUE(form.iconChosen());
    EXPECT_FALSE(form.iconPreview()->pixmap().isNull());
    EXPECT_TRUE(parts.ui.messages().empty());
}

TEST_F(FormFixture, AnUnreadableIconLeavesNoPreviewAndNoFlag) {
    const std::string path = folder.file("broken.ico");
    std::ofstream(path, std::ios::binary) << "not an icon";
    for (const std::optional<std::string>& chosen : {std::optional<std::string>(), std::optional<std::string>(path)}) {
        parts.ui.queueOpenPath(chosen);
        form.ChooseIcon();
        EXPECT_FALSE(form.iconChosen());
        EXPECT_TRUE(form.iconPreview()->pixmap().isNull());
    }
    EXPECT_EQ(form.state().iconPath, path);
    EXPECT_FALSE(parts.ui.messages().empty()) << "the reader says what went wrong";
}

// ---- book code ------------------------------------------------------------------------

TEST_F(FormFixture, InitialUpdateGivesTheBookAGuidShownAsUpperCaseText) {
    // A book from before the stream existed.
    parts.session.index.remove("AboutInfo");
    ASSERT_EQ(parts.storage.store().workingCopy->destroyElement("AboutInfo"), storage::StgResult::Ok);
    type(control::kOutputPath, QStringLiteral("/old.exe"));
    form.takeData();
    form.OnInitialUpdate();
    const QString code = shown(control::kBookCode);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(code).hasMatch()) << code.toStdString();
    EXPECT_EQ(form.state().bookCode, code.toStdString());
    EXPECT_TRUE(form.bookGuid().held());
    EXPECT_NE(parts.session.index.find("AboutInfo"), nullptr) << "made and indexed";
    EXPECT_EQ(form.state().outputPath, "") << "emptied";
    EXPECT_TRUE(QString::fromStdString(form.state().stubPath).endsWith(QStringLiteral("/core")));
    // Read back, not made anew.
    form.OnInitialUpdate();
    EXPECT_EQ(shown(control::kBookCode), code);
}

TEST_F(FormFixture, AFailingGuidGeneratorLeavesTheCodeEmpty) {
    form.setGuidGenerator([] { return std::optional<BookGuidBytes>(); });
    form.OnInitialUpdate();
    EXPECT_EQ(parts.ui.messageTexts(), std::vector<std::string>{"生成GUID失败."});
    EXPECT_EQ(shown(control::kBookCode), QString());
    EXPECT_FALSE(form.bookGuid().held());
}

}  // namespace
}  // namespace pgw::publish

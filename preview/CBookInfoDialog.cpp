#include "preview/CBookInfoDialog.h"

#include "stub/reader/CompiledBook.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pgw::preview {

namespace {

QString shown(const std::string& gbk) { return QString::fromStdString(stub::nameForMessage(gbk)); }

}  // namespace

CBookInfoDialog::CBookInfoDialog(const stub::BookFields& fields, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("书籍信息"));
    auto* form = new QFormLayout;
    const std::pair<const char*, const std::string*> lines[] = {
        {"书名", &fields.title},         {"作者", &fields.author},     {"主页", &fields.homepage},
        {"电子信箱", &fields.email},     {"版权信息", &fields.copyright}, {"制作时间", &fields.date},
        {"电子书编码", &fields.bookCode}, {"电子书ID", &fields.bookId},
    };
    for (const auto& [label, value] : lines) {
        auto* edit = new QLineEdit(shown(*value), this);
        edit->setReadOnly(true);
        edit->setCursorPosition(0);
        edit->setMinimumWidth(360);
        form->addRow(QString::fromUtf8(label), edit);
    }
    // The other information may run to several lines.
    auto* other = new QPlainTextEdit(shown(fields.other), this);
    other->setReadOnly(true);
    other->setFixedHeight(other->fontMetrics().lineSpacing() * 5 + 12);
    form->addRow(QStringLiteral("其它信息"), other);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString CBookInfoDialog::fieldText(const QString& label) const {
    auto* form = findChild<QFormLayout*>();
    for (int row = 0; form && row < form->rowCount(); ++row) {
        auto* name = form->itemAt(row, QFormLayout::LabelRole);
        auto* field = form->itemAt(row, QFormLayout::FieldRole);
        if (!name || !field || !name->widget()) continue;
        if (!qobject_cast<QLabel*>(name->widget()) || qobject_cast<QLabel*>(name->widget())->text() != label) continue;
        if (auto* line = qobject_cast<QLineEdit*>(field->widget())) return line->text();
        if (auto* text = qobject_cast<QPlainTextEdit*>(field->widget())) return text->toPlainText();
    }
    return {};
}

}  // namespace pgw::preview

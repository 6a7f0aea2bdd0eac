#include "publish/FormExchange.h"

#include "platform/text/CodePage.h"

#include <QLineEdit>

namespace pgw::publish {

const char kUnstorableTextMessage[] = "输入的内容中有无法保存的字符,请修改。";

std::string tooLongMessage(size_t limit) {
    return "“请填入不多于" + std::to_string(limit) + "个的字符。”";
}

namespace {

// The field's text as it is kept, or nothing when the book cannot hold it.
std::optional<std::string> keptText(const QString& shown, FieldText kind) {
    const std::string utf8 = shown.toStdString();
    if (kind == FieldText::Path) return utf8;
    std::string gbk;
    if (!text::utf8ToGbk(utf8, &gbk).ok()) return std::nullopt;
    return gbk;
}

QString shownText(const std::string& kept, FieldText kind) {
    if (kind == FieldText::Path) return QString::fromStdString(kept);
    std::string utf8;
    // Kept texts came from the edits through GBK, so they convert back whole.
    (void)text::gbkToUtf8(kept, &utf8);
    return QString::fromStdString(utf8);
}

}  // namespace

bool FormExchange::take(PublishFormState& state, ui::UserInterface& ui) const {
    for (const ExchangedField& field : kExchangedFields) {
        QLineEdit* edit = edits_(field.controlId);
        if (!edit) continue;
        const std::optional<std::string> kept = keptText(edit->text(), field.kind);
        std::string refusal;
        if (!kept) refusal = kUnstorableTextMessage;
        else if (field.limit != 0 && kept->size() > field.limit) refusal = tooLongMessage(field.limit);
        if (!refusal.empty()) {
            ui.showMessage(ui::plainMessage(refusal));
            edit->setFocus();
            edit->selectAll();
            return false;
        }
        state.*field.member = *kept;
    }
    return true;
}

void FormExchange::fill(const PublishFormState& state) const {
    for (const ExchangedField& field : kExchangedFields) {
        if (QLineEdit* edit = edits_(field.controlId)) edit->setText(shownText(state.*field.member, field.kind));
    }
}

}  // namespace pgw::publish

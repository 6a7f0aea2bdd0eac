#include "publish/FormExchange.h"

#include "platform/text/CodePage.h"

#include <QLineEdit>

#include <vector>

namespace pgw::publish {

std::string tooLongMessage(const ExchangedField& field) {
    const std::string limit = std::to_string(field.limit);
    if (field.kind == FieldText::Path)
        return "“" + std::string(field.name) + "”的路径太长：请填入不多于" + limit + "个字节的路径。";
    return "“" + std::string(field.name) + "”太长：请填入不多于" + limit + "个字符（一个汉字算两个字符）。";
}

std::string unstorableTextMessage(const ExchangedField& field) {
    return "“" + std::string(field.name) + "”中有无法保存的字符，请修改。";
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
    std::vector<std::pair<const ExchangedField*, std::string>> taken;
    for (const ExchangedField& field : kExchangedFields) {
        QLineEdit* edit = edits_(field.controlId);
        if (!edit) continue;
        const std::optional<std::string> kept = keptText(edit->text(), field.kind);
        std::string refusal;
        if (!kept) refusal = unstorableTextMessage(field);
        else if (field.limit != 0 && kept->size() > field.limit) refusal = tooLongMessage(field);
        if (!refusal.empty()) {
            ui.showMessage(ui::plainMessage(refusal));
            edit->setFocus();
            edit->selectAll();
            return false;
        }
        taken.emplace_back(&field, *kept);
    }
    for (auto& [field, text] : taken) state.*field->member = std::move(text);
    return true;
}

void FormExchange::fill(const PublishFormState& state) const {
    for (const ExchangedField& field : kExchangedFields) fillOne(state, field.controlId);
}

void FormExchange::fillOne(const PublishFormState& state, int controlId) const {
    for (const ExchangedField& field : kExchangedFields) {
        if (field.controlId != controlId) continue;
        if (QLineEdit* edit = edits_(field.controlId)) edit->setText(shownText(state.*field.member, field.kind));
    }
}

}  // namespace pgw::publish

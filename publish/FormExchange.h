#pragma once
// The publish form's data and its exchange with the form's edits. Texts that go into the
// compiled book are GBK bytes, as the book information record holds them; paths are the
// host's (UTF-8).
//
// Taking the data is all or nothing: every field is checked first, and a text the author
// has to correct leaves the whole state as it was. The edits are never touched by a
// take, so what the author typed stays on the form to be corrected.

#include "platform/ui/UserInterface.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

class QLineEdit;

namespace pgw::publish {

struct PublishFormState {
    std::string bookPath;    // the book's working copy: what is compiled
    std::string outputPath;  // the executable to write
    std::string author, homepage, email, copyright, date, other, bookId;  // GBK
    std::string bookCode;    // the book GUID as text
    std::string iconPath;
    std::string stubPath;    // the reader stub beside the program
};

namespace control {
inline constexpr int kBookPath = 1000;
inline constexpr int kOutputPath = 1047;
inline constexpr int kChooseOutput = 1003;
inline constexpr int kAuthor = 1095;
inline constexpr int kHomepage = 1097;
inline constexpr int kEmail = 1098;
inline constexpr int kCopyright = 1099;
inline constexpr int kDate = 1100;
inline constexpr int kBookCode = 1066;
inline constexpr int kBookId = 1106;
inline constexpr int kOther = 1101;
inline constexpr int kIconPreview = 1049;
inline constexpr int kIconPath = 1102;
inline constexpr int kChooseIcon = 1104;
inline constexpr int kClearIcon = 1107;
inline constexpr int kProgress = 1004;
inline constexpr int kCompile = 3;
inline constexpr int kExit = 4;
}  // namespace control

enum class FieldText { Path, Gbk };

struct ExchangedField {
    int controlId;
    std::string PublishFormState::*member;
    size_t limit;  // bytes; 0: none
    FieldText kind;
    const char* name;  // as the form labels it, for the messages
};

// The exchange order. Limits count bytes: GBK bytes for record texts (a Chinese character
// is two), the path's own bytes for paths. The book ID's limit is its record field.
inline const ExchangedField kExchangedFields[] = {
    {control::kBookPath, &PublishFormState::bookPath, 0, FieldText::Path, "源文件"},
    {control::kEmail, &PublishFormState::email, 200, FieldText::Gbk, "电子信箱"},
    {control::kHomepage, &PublishFormState::homepage, 200, FieldText::Gbk, "主页"},
    {control::kDate, &PublishFormState::date, 50, FieldText::Gbk, "制作时间"},
    {control::kOther, &PublishFormState::other, 300, FieldText::Gbk, "其它信息"},
    {control::kCopyright, &PublishFormState::copyright, 50, FieldText::Gbk, "版权信息"},
    {control::kAuthor, &PublishFormState::author, 50, FieldText::Gbk, "作者名"},
    {control::kIconPath, &PublishFormState::iconPath, 260, FieldText::Path, "图标文件"},
    {control::kBookId, &PublishFormState::bookId, 260, FieldText::Gbk, "电子书ID"},
    {control::kOutputPath, &PublishFormState::outputPath, 260, FieldText::Path, "输出文件"},
    {control::kBookCode, &PublishFormState::bookCode, 0, FieldText::Gbk, "电子书编码"},
};

// The refusals name the field, and the limit in the unit it is counted in.
std::string tooLongMessage(const ExchangedField& field);
std::string unstorableTextMessage(const ExchangedField& field);

class FormExchange {
public:
    using EditLookup = std::function<QLineEdit*(int controlId)>;
    explicit FormExchange(EditLookup edits) : edits_(std::move(edits)) {}

    // Takes the edits' texts into `state`; false (after telling the author and putting
    // the focus on the field, with `state` unchanged) at the first text that is too long
    // or cannot be stored.
    bool take(PublishFormState& state, ui::UserInterface& ui) const;
    // Every edit from `state`: for a new book, whose form starts from what it holds.
    void fill(const PublishFormState& state) const;
    // One edit from `state`: for a value the form itself has just set.
    void fillOne(const PublishFormState& state, int controlId) const;

private:
    EditLookup edits_;
};

}  // namespace pgw::publish

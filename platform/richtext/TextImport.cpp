#include "platform/richtext/TextImport.h"

namespace pgw::richtext {

RichDocument documentFromPlainText(std::string_view, const CharFormat&) { return {}; }
RichDocument documentFromHtml(std::string_view, const CharFormat&) { return {}; }

}  // namespace pgw::richtext

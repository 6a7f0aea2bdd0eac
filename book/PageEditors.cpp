#include "book/PageEditors.h"

namespace pgw::book {

size_t rtfDocumentLength(std::string_view bytes) {
    int depth = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\\') {
            ++i;  // an escaped brace or backslash does not count
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            return i + 1;
        }
    }
    return bytes.size();
}

void HeldPageEditors::loadText(std::string_view rtf) {
    exchangedText = text = rtf.substr(0, rtfDocumentLength(rtf));
    ++textLoads;
}

}  // namespace pgw::book

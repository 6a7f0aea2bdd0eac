#include "platform/framework/DocumentTemplate.h"

namespace pgw::framework {

std::string templateField(std::string_view templateString, TemplateField field) {
    auto index = static_cast<int>(field);
    size_t start = 0;
    while (index-- > 0) {
        const size_t newline = templateString.find('\n', start);
        if (newline == std::string_view::npos) return {};
        start = newline + 1;
    }
    const size_t end = templateString.find('\n', start);
    return std::string(templateString.substr(start, end == std::string_view::npos ? end : end - start));
}

std::vector<ui::FileFilter> openDialogFilters() {
    const std::string extension = templateField(kDocumentTemplate, TemplateField::FilterExtension);
    return {{templateField(kDocumentTemplate, TemplateField::FilterName), "*" + extension},
            {"所有文件 (*.*)", "*.*"}};
}

}  // namespace pgw::framework

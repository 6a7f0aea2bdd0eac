#include "publish/epub/EpubPackage.h"

#include "platform/richtext/XhtmlWriter.h"

#include <algorithm>
#include <map>

namespace pgw::publish::epub {

namespace {

using richtext::xmlEscaped;

void element(std::string* out, const std::string& name, const std::string& text, const std::string& attributes = {}) {
    if (text.empty()) return;
    *out += "    <" + name + attributes + '>' + xmlEscaped(text) + "</" + name + ">\n";
}

void navList(std::string* out, const std::vector<TocEntry>& entries, int depth) {
    const std::string indent(size_t(depth) * 2, ' ');
    *out += indent + "<ol>\n";
    for (const TocEntry& entry : entries) {
        *out += indent + "  <li><a href=\"" + xmlEscaped(entry.href) + "\">" + xmlEscaped(entry.label) + "</a>";
        if (!entry.children.empty()) {
            *out += '\n';
            navList(out, entry.children, depth + 2);
            *out += indent + "  ";
        }
        *out += "</li>\n";
    }
    *out += indent + "</ol>\n";
}

int depthOf(const std::vector<TocEntry>& entries) {
    int deepest = 0;
    for (const TocEntry& entry : entries) deepest = std::max(deepest, 1 + depthOf(entry.children));
    return deepest;
}

// Entries leading to the same page share its place in the reading order, as the NCX asks.
class NavPoints {
public:
    std::string write(const std::vector<TocEntry>& entries, int depth) {
        std::string out;
        const std::string indent(size_t(depth) * 2 + 4, ' ');
        for (const TocEntry& entry : entries) {
            const auto order = orders_.try_emplace(entry.href, int(orders_.size()) + 1).first->second;
            out += indent + "<navPoint id=\"np" + std::to_string(++count_) + "\" playOrder=\"" +
                   std::to_string(order) + "\">\n";
            out += indent + "  <navLabel><text>" + xmlEscaped(entry.label) + "</text></navLabel>\n";
            out += indent + "  <content src=\"" + xmlEscaped(entry.href) + "\"/>\n";
            out += write(entry.children, depth + 1);
            out += indent + "</navPoint>\n";
        }
        return out;
    }

private:
    std::map<std::string, int> orders_;
    int count_ = 0;
};

}  // namespace

std::string containerDocument() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
           "  <rootfiles>\n"
           "    <rootfile full-path=\"" + std::string(kPackagePath) + "\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n"
           "</container>\n";
}

std::string packageDocument(const EpubMetadata& metadata, const std::vector<EpubItem>& items) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"bookid\" "
        "xml:lang=\"zh-CN\">\n"
        "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    element(&out, "dc:identifier", metadata.identifier, " id=\"bookid\"");
    element(&out, "dc:title", metadata.title);
    element(&out, "dc:language", "zh-CN");
    element(&out, "dc:creator", metadata.author);
    element(&out, "dc:date", metadata.date);
    element(&out, "dc:rights", metadata.rights);
    element(&out, "meta", metadata.modified, " property=\"dcterms:modified\"");
    out += "  </metadata>\n  <manifest>\n";
    for (const EpubItem& item : items) {
        out += "    <item id=\"" + item.id + "\" href=\"" + xmlEscaped(item.href) + "\" media-type=\"" + item.mediaType +
               '"';
        if (!item.properties.empty()) out += " properties=\"" + item.properties + '"';
        out += "/>\n";
    }
    out += "  </manifest>\n  <spine toc=\"ncx\">\n";
    for (const EpubItem& item : items)
        if (item.inSpine) out += "    <itemref idref=\"" + item.id + "\"/>\n";
    out += "  </spine>\n</package>\n";
    return out;
}

std::string navigationDocument(const std::string& title, const std::vector<TocEntry>& toc) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
        "xml:lang=\"zh-CN\" lang=\"zh-CN\">\n<head>\n<meta charset=\"UTF-8\"/>\n<title>" +
        xmlEscaped(title) + "</title>\n</head>\n<body>\n<nav epub:type=\"toc\" id=\"toc\">\n<h1>目录</h1>\n";
    navList(&out, toc, 0);
    out += "</nav>\n</body>\n</html>\n";
    return out;
}

std::string ncxDocument(const EpubMetadata& metadata, const std::vector<TocEntry>& toc) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"zh-CN\">\n"
        "  <head>\n"
        "    <meta name=\"dtb:uid\" content=\"" + xmlEscaped(metadata.identifier) + "\"/>\n"
        "    <meta name=\"dtb:depth\" content=\"" + std::to_string(std::max(1, depthOf(toc))) + "\"/>\n"
        "    <meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
        "    <meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n"
        "  </head>\n"
        "  <docTitle><text>" + xmlEscaped(metadata.title) + "</text></docTitle>\n"
        "  <navMap>\n";
    out += NavPoints().write(toc, 0);
    out += "  </navMap>\n</ncx>\n";
    return out;
}

}  // namespace pgw::publish::epub

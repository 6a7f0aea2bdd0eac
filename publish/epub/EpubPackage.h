#pragma once
// The package documents of an EPUB 3 book: the container file that points to the
// package, the package itself (metadata, manifest, spine), the navigation document and
// the older readers' NCX table of contents. Text is UTF-8.

#include <string>
#include <vector>

namespace pgw::publish::epub {

struct EpubMetadata {
    std::string title;
    std::string identifier;  // "urn:uuid:..."
    std::string author;      // each: empty when not given
    std::string date;        // YYYY, YYYY-MM or YYYY-MM-DD
    std::string rights;
    std::string modified;  // YYYY-MM-DDThh:mm:ssZ
};

// A file of the book, relative to the package document.
struct EpubItem {
    std::string id;
    std::string href;
    std::string mediaType;
    std::string properties;  // "nav", or empty
    bool inSpine = false;    // a page, read in manifest order
};

// An entry of the table of contents: a page, or a directory leading to its first page.
struct TocEntry {
    std::string label;
    std::string href;
    std::vector<TocEntry> children;
};

inline constexpr const char* kPackagePath = "OEBPS/content.opf";

std::string containerDocument();
std::string packageDocument(const EpubMetadata& metadata, const std::vector<EpubItem>& items);
std::string navigationDocument(const std::string& title, const std::vector<TocEntry>& toc);
std::string ncxDocument(const EpubMetadata& metadata, const std::vector<TocEntry>& toc);

}  // namespace pgw::publish::epub

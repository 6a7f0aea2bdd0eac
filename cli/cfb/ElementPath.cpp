#include "ElementPath.h"

namespace pgw::cli {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes one name; `raw` is what stood between two slashes.
std::optional<std::string> decodeName(std::string_view raw, PathError* error) {
    std::string name;
    name.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            name.push_back(raw[i]);
            continue;
        }
        const bool complete = i + 3 < raw.size() && raw[i + 1] == 'x';
        const int high = complete ? hexValue(raw[i + 2]) : -1;
        const int low = complete ? hexValue(raw[i + 3]) : -1;
        if (high < 0 || low < 0) {
            error->message = "bad escape in \"" + std::string(raw) + "\" (use \\xHH)";
            return std::nullopt;
        }
        name.push_back(static_cast<char>(high * 16 + low));
        i += 3;
    }
    return name;
}

}  // namespace

std::optional<std::vector<std::string>> splitElementPath(std::string_view path, PathError* error) {
    std::vector<std::string> names;
    if (!path.empty() && path.front() == '/') path.remove_prefix(1);
    if (path.empty()) return names;
    size_t start = 0;
    while (true) {
        const size_t slash = path.find('/', start);
        const std::string_view raw =
            path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (raw.empty()) {
            error->message = "empty name in path \"" + std::string(path) + "\"";
            return std::nullopt;
        }
        auto name = decodeName(raw, error);
        if (!name) return std::nullopt;
        names.push_back(std::move(*name));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return names;
}

std::string displayName(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\' || c == '/') {
            out += "\\x";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string displayPath(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) {
        if (!out.empty()) out.push_back('/');
        out += displayName(name);
    }
    return out;
}

}  // namespace pgw::cli

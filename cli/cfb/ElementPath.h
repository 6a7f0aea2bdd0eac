#pragma once
// Element paths as typed on the command line: names joined by '/', with \xHH standing
// for one byte. Real files carry names such as "\x05SummaryInformation" that nobody can
// type, and names cannot hold '/' or '\', so the escape is never ambiguous.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::cli {

struct PathError {
    std::string message;
};

// Splits "a/b/c" into names, decoding escapes. One leading '/' is allowed ("/a/b");
// empty names ("a//b", "a/") and unknown escapes are errors. An empty path or "/"
// gives no names: the root storage.
std::optional<std::vector<std::string>> splitElementPath(std::string_view path, PathError* error);

// The printable form of one name: control bytes, DEL, '\' and '/' become \xHH so that
// the output can be pasted back as a path.
std::string displayName(std::string_view name);

// The printable form of a whole path.
std::string displayPath(const std::vector<std::string>& names);

}  // namespace pgw::cli

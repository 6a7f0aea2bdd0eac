#pragma once
// A small streaming JSON writer: commas and nesting are tracked here, so callers only
// say what comes next. Output is indented two spaces per level.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::cli {

class JsonWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name);

    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(int64_t number);
    void value(uint64_t number);
    void value(int32_t number) { value(int64_t(number)); }
    void value(uint32_t number) { value(uint64_t(number)); }
    void value(bool flag);
    void null();

    const std::string& text() const { return out_; }

private:
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void newline();

    std::string out_;
    std::vector<bool> hasItems_;  // one per open bracket
    bool afterKey_ = false;
};

// `text` as a JSON string literal. Valid UTF-8 passes through; control characters,
// quotes and backslashes are escaped; a byte that is not UTF-8 becomes the text \xHH.
std::string jsonQuoted(std::string_view text);

}  // namespace pgw::cli

// Fuzz target: any bytes must tokenize to an end or an error, in at most one token per
// input byte (plus the end), with every token's text inside the input.

#include "platform/richtext/RtfTokenizer.h"

#include <cstdio>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    pgw::richtext::RtfTokenizer tokenizer(input);
    for (size_t count = 0;; ++count) {
        if (count > size + 1) __builtin_trap();  // no token comes from nothing
        const pgw::richtext::Token token = tokenizer.next();
        if (token.kind == pgw::richtext::TokenKind::End || token.kind == pgw::richtext::TokenKind::Error) break;
        const bool static_text = token.kind == pgw::richtext::TokenKind::ControlWord &&
                                 (token.text == "tab" || token.text == "par");
        const bool inside = token.text.empty() || static_text || token.text == " " ||
                            (token.text.data() >= input.data() &&
                             token.text.data() + token.text.size() <= input.data() + input.size());
        if (!inside || tokenizer.position() > size) __builtin_trap();
    }
    return 0;
}

#pragma once
// The outcome of a text conversion. Conversions never substitute a replacement character:
// a character the target cannot hold, or input that is not valid in its own encoding, stops
// the conversion and is reported here with where it happened.

#include <cstddef>
#include <string>

namespace pgw::text {

enum class ConvError {
    None,
    Unrepresentable,      // a valid character the target encoding has no code for
    InvalidInput,         // malformed or truncated input (bad UTF-8, lone surrogate, bad DBCS pair)
    UnsupportedCodePage,  // the code page is unknown to this build or its converter is missing
};

struct [[nodiscard]] ConvResult {
    ConvError error = ConvError::None;
    // Where conversion stopped, counted in units of the input: bytes for byte strings
    // (UTF-8 and code pages), code units for UTF-16. The offending character starts here.
    size_t offset = 0;
    // Unrepresentable: the character itself (a Unicode code point).
    // InvalidInput: the first offending input unit (a byte, or a UTF-16 code unit).
    char32_t character = 0;

    bool ok() const { return error == ConvError::None; }

    static ConvResult success() { return {}; }
    static ConvResult unrepresentable(size_t offset, char32_t character) {
        return {ConvError::Unrepresentable, offset, character};
    }
    static ConvResult invalidInput(size_t offset, char32_t unit) {
        return {ConvError::InvalidInput, offset, unit};
    }
    static ConvResult unsupportedCodePage() { return {ConvError::UnsupportedCodePage, 0, 0}; }

    bool operator==(const ConvResult&) const = default;
};

// A short English sentence for logs and the command line.
std::string describe(const ConvResult& result);

}  // namespace pgw::text

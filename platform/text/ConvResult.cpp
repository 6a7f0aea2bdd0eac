#include "platform/text/ConvResult.h"

#include <cstdio>

namespace pgw::text {

namespace {

std::string hex(char32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, static_cast<unsigned>(value));
    return buffer;
}

}  // namespace

std::string describe(const ConvResult& result) {
    const std::string at = std::to_string(result.offset);
    switch (result.error) {
    case ConvError::None:
        return "The text was converted.";
    case ConvError::Unrepresentable:
        return "The character U+" + hex(result.character, 4) + " at offset " + at +
               " has no equivalent in the target code page.";
    case ConvError::InvalidInput:
        return "Invalid or incomplete character at offset " + at + " (0x" +
               hex(result.character, 2) + ").";
    case ConvError::UnsupportedCodePage:
        return "The code page is not supported.";
    }
    return "Unknown conversion error.";
}

}  // namespace pgw::text

#pragma once
// Text files of unknown encoding, as authors keep them: UTF-8 and UTF-16 with or without a
// byte order mark, and GBK. Bytes that are no text (binary files, pictures) are told apart,
// so that they are refused rather than stored as garbage.

#include <string>
#include <string_view>

namespace pgw::text {

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Gbk };

enum class TextVerdict {
    Text,
    NotText,     // control bytes or NULs that no text file holds
    Undecodable  // none of the encodings reads it whole
};

struct DetectedText {
    TextVerdict verdict = TextVerdict::Undecodable;
    TextEncoding encoding = TextEncoding::Utf8;
    std::string utf8;  // without a byte order mark
};

DetectedText decodeTextFile(std::string_view bytes);

}  // namespace pgw::text

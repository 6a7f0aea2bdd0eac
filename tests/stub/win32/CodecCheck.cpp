// The Windows code-page converter, checked where it runs: a console program for Windows
// (run under Wine by the reader's tests) that prints each failed case and exits with
// their count. The cases are those the iconv converter passes on Linux.

#include "platform/text/CodePage.h"

#include <cstdio>
#include <string>

namespace {

using pgw::text::ConvResult;

int failures = 0;

void expect(bool ok, const char* label) {
    if (ok) return;
    ++failures;
    std::printf("FAILED: %s\n", label);
}

void decodes(const char* label, int codePage, const std::string& bytes, const ConvResult& result,
             const std::string& utf8) {
    std::string out = "stale";
    expect(pgw::text::toUtf8(codePage, bytes, &out) == result && out == utf8, label);
}

void encodes(const char* label, int codePage, const std::string& utf8, const ConvResult& result,
             const std::string& bytes) {
    std::string out = "stale";
    expect(pgw::text::fromUtf8(codePage, utf8, &out) == result && out == bytes, label);
}

}  // namespace

int main() {
    const ConvResult ok = ConvResult::success();
    decodes("gbk text", 936, "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE", ok, "新建文本");
    decodes("gbk euro", 936, "\x80", ok, "€");
    decodes("gbk truncated lead", 936, "\xD6\xD0\xD6", ConvResult::invalidInput(2, 0xD6), "中");
    decodes("gbk lone lead", 936, "\x81", ConvResult::invalidInput(0, 0x81), "");
    decodes("gbk trail out of range", 936, "\xD6\x20", ConvResult::invalidInput(0, 0xD6), "");
    decodes("shift-jis truncated", 932, "\x93\xFA\x96", ConvResult::invalidInput(2, 0x96), "日");
    decodes("big5 truncated", 950, "\xC1" "c\xC5", ConvResult::invalidInput(2, 0xC5), "繁");
    decodes("empty", 936, "", ok, "");

    encodes("gbk text", 936, "新建文本€", ok, "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE\x80");
    encodes("gbk emoji", 936, "中😀文", ConvResult::unrepresentable(3, 0x1F600), "\xD6\xD0");
    encodes("gbk hangul", 936, "ab한", ConvResult::unrepresentable(2, 0xD55C), "ab");
    encodes("shift-jis simplified chinese", 932, "日简", ConvResult::unrepresentable(3, 0x7B80), "\x93\xFA");
    encodes("big5 circled digit", 950, "繁①", ConvResult::unrepresentable(3, 0x2460), "\xC1\x63");
    encodes("no best fit", 1250, "Ǆ", ConvResult::unrepresentable(0, 0x01C4), "");

    expect(pgw::text::isSupportedCodePage(936), "936 supported");
    expect(!pgw::text::isSupportedCodePage(12345), "12345 unsupported");
    std::string out = "stale";
    expect(pgw::text::toUtf8(12345, "abc", &out) == ConvResult::unsupportedCodePage() && out.empty(),
           "unsupported code page");

    std::printf("%d failed\n", failures);
    return failures;
}

// The code-page converter on top of iconv(3). Each thread keeps the descriptors it opened,
// which keeps conversions on different threads independent. No "//TRANSLIT" or "//IGNORE"
// suffix is ever used: a character the target lacks must stop the conversion, not turn into '?'.

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/text/CodecBackend.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::text::detail {

namespace {

struct IconvName {
    int codePage;
    const char* name;
};

// "CP936", not "GBK": glibc makes them one converter (0x80 is the euro sign, as in Windows'
// code page 936), while GNU libiconv keeps the euro sign and the private-use areas only
// under "CP936". glibc's "CP950" is its Big5 with the Microsoft mappings (euro at A3E1).
// The Mac East-Asian code pages are the national standards they extend (GB 2312 as EUC-CN,
// Big5, Shift-JIS, KS C 5601): the few Apple additions read as missing characters.
constexpr IconvName kIconvNames[] = {
    {437, "CP437"},    {737, "CP737"},    {775, "CP775"},    {850, "CP850"},    {852, "CP852"},
    {855, "CP855"},    {857, "CP857"},    {858, "CP858"},    {860, "CP860"},    {861, "CP861"},
    {862, "CP862"},    {863, "CP863"},    {864, "CP864"},    {865, "CP865"},    {866, "CP866"},
    {869, "CP869"},    {874, "CP874"},    {932, "CP932"},    {936, "CP936"},    {949, "CP949"},
    {950, "CP950"},    {1250, "CP1250"},  {1251, "CP1251"},  {1253, "CP1253"},  {1254, "CP1254"},
    {1255, "CP1255"},  {1256, "CP1256"},  {1257, "CP1257"},  {1258, "CP1258"},  {1361, "CP1361"},
    {10000, "MACINTOSH"}, {10001, "SJIS"}, {10002, "BIG5"}, {10003, "EUC-KR"},
    {10007, "MAC-CYRILLIC"}, {10008, "EUC-CN"}, {10017, "MAC-UK"}, {10029, "MAC-CENTRALEUROPE"},
    {10079, "MAC-IS"},
};

constexpr const char* kUtf8Name = "UTF-8";

const char* iconvName(int codePage) {
    for (const IconvName& entry : kIconvNames) {
        if (entry.codePage == codePage) return entry.name;
    }
    return nullptr;
}

// iconv's input parameter is `char**` in glibc and `const char**` in some libiconv builds.
struct InputPointer {
    char** pointer;
    operator char**() const { return pointer; }
    operator const char**() const { return const_cast<const char**>(pointer); }
};

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Opening a descriptor costs more than converting a name or a character, and tables of a
// code page are built a few bytes at a time: the descriptors a thread opened stay open.
class OpenDescriptors {
public:
    // Ready for a new conversion, or nullptr when iconv has no such conversion.
    const IconvHandle* get(const char* to, const char* from) {
        for (const Entry& entry : entries_) {
            if (std::strcmp(entry.to, to) == 0 && std::strcmp(entry.from, from) == 0) return reset(*entry.handle);
        }
        auto handle = std::make_unique<IconvHandle>(to, from);
        if (!handle->valid()) return nullptr;
        entries_.push_back({to, from, std::move(handle)});
        return entries_.back().handle.get();
    }

private:
    struct Entry {
        const char* to;  // the names are string literals
        const char* from;
        std::unique_ptr<IconvHandle> handle;
    };

    // A conversion that stopped on bad input may have left a shift state behind.
    static const IconvHandle* reset(const IconvHandle& handle) {
        ::iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
        return &handle;
    }

    std::vector<Entry> entries_;
};

thread_local OpenDescriptors openDescriptors;

// Drives one conversion, growing the output whenever iconv runs out of room. Output grows by
// doubling from a size proportional to the input, so memory follows the text's real size.
class IconvRun {
public:
    IconvRun(iconv_t cd, std::string_view in)
        : cd_(cd), in_(in), inPtr_(const_cast<char*>(in.data())), inLeft_(in.size()),
          buffer_(in.size() + in.size() / 2 + 16, '\0') {}

    // Returns 0 on success, otherwise the errno iconv stopped with (never E2BIG).
    int convert() {
        while (inLeft_ > 0) {
            const int error = step(InputPointer{&inPtr_}, &inLeft_);
            if (error != 0) return error;
        }
        return flush();
    }

    // Writes out anything a converter holds back (those that combine characters do).
    int flush() { return step(InputPointer{nullptr}, nullptr); }

    size_t consumed() const { return in_.size() - inLeft_; }
    void takeOutput(std::string* out) { out->assign(buffer_.data(), produced_); }

private:
    int step(InputPointer input, size_t* inLeft) {
        for (;;) {
            char* outPtr = buffer_.data() + produced_;
            size_t outLeft = buffer_.size() - produced_;
            const size_t rc = ::iconv(cd_, input, inLeft, &outPtr, &outLeft);
            produced_ = buffer_.size() - outLeft;
            if (rc != static_cast<size_t>(-1)) return 0;
            if (errno != E2BIG) return errno;
            buffer_.resize(buffer_.size() * 2);
        }
    }

    iconv_t cd_;
    std::string_view in_;
    char* inPtr_;
    size_t inLeft_;
    std::string buffer_;
    size_t produced_ = 0;
};

enum class Direction { Decode, Encode };

ConvResult failure(Direction direction, std::string_view in, size_t offset, int error) {
    if (offset >= in.size()) return ConvResult::invalidInput(offset, 0);
    if (direction == Direction::Encode && error == EILSEQ) {
        char32_t cp = 0;
        if (decodeUtf8(in, offset, &cp) != 0) return ConvResult::unrepresentable(offset, cp);
    }
    return ConvResult::invalidInput(offset, static_cast<unsigned char>(in[offset]));
}

ConvResult run(const char* to, const char* from, Direction direction, std::string_view in,
               std::string* out) {
    out->clear();
    if (to == nullptr || from == nullptr) return ConvResult::unsupportedCodePage();
    const IconvHandle* handle = openDescriptors.get(to, from);
    if (handle == nullptr) return ConvResult::unsupportedCodePage();
    if (in.empty()) return ConvResult::success();

    IconvRun conversion(handle->get(), in);
    const int error = conversion.convert();
    if (error != 0) (void)conversion.flush();
    conversion.takeOutput(out);
    if (error == 0) return ConvResult::success();
    return failure(direction, in, conversion.consumed(), error);
}

// Where well-formed `utf8`, encoded as `encoded`, has its first character that does not read
// back as itself, or utf8.size(). iconv takes a best fit for a few characters (its CP932
// writes U+00A3 as the bytes of the full-width pound sign) where Windows refuses them: such
// bytes would change the text, so they count as no code at all.
size_t firstInexact(const char* name, std::string_view utf8, const std::string& encoded) {
    std::string back;
    if (run(kUtf8Name, name, Direction::Decode, encoded, &back).ok() && back == utf8) return utf8.size();
    std::string bytes;
    for (size_t at = 0; at < utf8.size();) {
        char32_t character = 0;
        const size_t length = decodeUtf8(utf8, at, &character);
        if (length == 0) return at;
        const std::string_view one = utf8.substr(at, length);
        if (!run(name, kUtf8Name, Direction::Encode, one, &bytes).ok() ||
            !run(kUtf8Name, name, Direction::Decode, bytes, &back).ok() || back != one)
            return at;
        at += length;
    }
    return utf8.size();  // each character is exact; together they only compose differently
}

}  // namespace

bool backendSupports(int codePage) {
    const char* name = iconvName(codePage);
    return name != nullptr && openDescriptors.get(kUtf8Name, name) != nullptr;
}

ConvResult backendDecode(int codePage, std::string_view bytes, std::string* utf8) {
    return run(kUtf8Name, iconvName(codePage), Direction::Decode, bytes, utf8);
}

ConvResult backendEncode(int codePage, std::string_view utf8, std::string* bytes) {
    const char* name = iconvName(codePage);
    const ConvResult encoded = run(name, kUtf8Name, Direction::Encode, utf8, bytes);
    if (encoded.error == ConvError::UnsupportedCodePage) return encoded;
    const std::string_view converted = utf8.substr(0, encoded.ok() ? utf8.size() : encoded.offset);
    const size_t exact = firstInexact(name, converted, *bytes);
    if (exact == converted.size()) return encoded;
    char32_t character = 0;
    (void)decodeUtf8(utf8, exact, &character);
    (void)run(name, kUtf8Name, Direction::Encode, utf8.substr(0, exact), bytes);
    return ConvResult::unrepresentable(exact, character);
}

}  // namespace pgw::text::detail

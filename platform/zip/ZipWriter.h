#pragma once
// A zip archive written front to back through a sink: each entry's local header, its data,
// and at the end the central directory. Entries are stored as given or deflated; names are
// UTF-8 (flagged so). No extra fields, no data descriptors, no zip64: an archive that would
// need it (4 GiB, 65535 entries) is refused. Qt-free.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::zip {

// Takes the next bytes of the archive; false when they could not be written.
using ZipSink = std::function<bool(std::string_view bytes)>;

// When the entries were last changed, as the archive's DOS date and time hold it.
struct ZipTime {
    int year = 1980;  // 1980 .. 2107
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

enum class ZipMethod : uint16_t { Stored = 0, Deflated = 8 };

class ZipWriter {
public:
    ZipWriter(ZipSink sink, ZipTime time);

    // Each returns false and fills error() on failure; after one, the archive is unusable.
    bool add(std::string_view name, std::string_view data, ZipMethod method);
    bool finish();
    const std::string& error() const { return error_; }

private:
    struct Entry {
        std::string name;
        uint32_t crc = 0;
        uint32_t compressedSize = 0;
        uint32_t size = 0;
        uint32_t offset = 0;
        ZipMethod method = ZipMethod::Stored;
    };

    bool emit(std::string_view bytes);
    bool fail(std::string what);
    std::string header(const Entry& entry, bool central) const;

    ZipSink sink_;
    uint16_t dosTime_ = 0;
    uint16_t dosDate_ = 0;
    uint64_t written_ = 0;
    std::vector<Entry> entries_;
    std::string error_;
    bool failed_ = false;
};

// The raw deflate stream of `data` (no zlib header), or false when zlib fails.
bool deflateRaw(std::string_view data, std::string* out);

}  // namespace pgw::zip

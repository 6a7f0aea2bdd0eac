#include "platform/zip/ZipWriter.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace pgw::zip {

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint16_t kVersionNeeded = 20;  // deflate
constexpr uint16_t kUtf8Names = 0x0800;
constexpr uint64_t kMaxOffset = std::numeric_limits<uint32_t>::max();
constexpr size_t kMaxEntries = 0xFFFF;

uint16_t dosTime(const ZipTime& t) { return uint16_t((t.hour << 11) | (t.minute << 5) | (t.second / 2)); }
uint16_t dosDate(const ZipTime& t) {
    const int year = std::clamp(t.year, 1980, 2107);
    return uint16_t(((year - 1980) << 9) | (t.month << 5) | t.day);
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

bool deflateRaw(std::string_view data, std::string* out) {
    z_stream stream{};
    // -15: a raw stream, as zip entries hold it.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out->resize(deflateBound(&stream, uLong(data.size())));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out->data());
    stream.avail_out = uInt(out->size());
    const int result = deflate(&stream, Z_FINISH);
    out->resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END;
}

ZipWriter::ZipWriter(ZipSink sink, ZipTime time)
    : sink_(std::move(sink)), dosTime_(dosTime(time)), dosDate_(dosDate(time)) {}

bool ZipWriter::fail(std::string what) {
    failed_ = true;
    if (error_.empty()) error_ = std::move(what);
    return false;
}

bool ZipWriter::emit(std::string_view bytes) {
    if (written_ + bytes.size() > kMaxOffset) return fail("the archive would exceed 4 GiB");
    if (!sink_(bytes)) return fail("the archive could not be written");
    written_ += bytes.size();
    return true;
}

std::string ZipWriter::header(const Entry& entry, bool central) const {
    std::string out;
    bytes::appendU32(out, central ? kCentralSignature : kLocalSignature);
    if (central) bytes::appendU16(out, kVersionNeeded);  // made by: MS-DOS, 2.0
    bytes::appendU16(out, kVersionNeeded);
    bytes::appendU16(out, isAscii(entry.name) ? 0 : kUtf8Names);
    bytes::appendU16(out, uint16_t(entry.method));
    bytes::appendU16(out, dosTime_);
    bytes::appendU16(out, dosDate_);
    bytes::appendU32(out, entry.crc);
    bytes::appendU32(out, entry.compressedSize);
    bytes::appendU32(out, entry.size);
    bytes::appendU16(out, uint16_t(entry.name.size()));
    bytes::appendU16(out, 0);  // no extra field
    if (central) {
        bytes::appendU16(out, 0);  // comment
        bytes::appendU16(out, 0);  // disk
        bytes::appendU16(out, 0);  // internal attributes
        bytes::appendU32(out, 0);  // external attributes
        bytes::appendU32(out, entry.offset);
    }
    out += entry.name;
    return out;
}

bool ZipWriter::add(std::string_view name, std::string_view data, ZipMethod method) {
    if (failed_) return false;
    if (name.empty() || name.size() > 0xFFFF) return fail("an entry name is empty or too long");
    if (entries_.size() >= kMaxEntries) return fail("the archive would hold too many entries");
    if (data.size() > kMaxOffset) return fail("an entry is larger than 4 GiB");
    Entry entry{std::string(name), 0, 0, uint32_t(data.size()), uint32_t(written_), method};
    entry.crc = uint32_t(crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), data.size()));
    std::string deflated;
    std::string_view body = data;
    if (method == ZipMethod::Deflated) {
        if (!deflateRaw(data, &deflated)) return fail("zlib could not compress " + entry.name);
        body = deflated;
    }
    entry.compressedSize = uint32_t(body.size());
    if (!emit(header(entry, false)) || !emit(body)) return false;
    entries_.push_back(std::move(entry));
    return true;
}

bool ZipWriter::finish() {
    if (failed_) return false;
    const uint64_t start = written_;
    for (const Entry& entry : entries_)
        if (!emit(header(entry, true))) return false;
    std::string end;
    bytes::appendU32(end, kEndSignature);
    bytes::appendU16(end, 0);  // this disk
    bytes::appendU16(end, 0);  // the directory's disk
    bytes::appendU16(end, uint16_t(entries_.size()));
    bytes::appendU16(end, uint16_t(entries_.size()));
    bytes::appendU32(end, uint32_t(written_ - start));
    bytes::appendU32(end, uint32_t(start));
    bytes::appendU16(end, 0);  // no comment
    return emit(end);
}

}  // namespace pgw::zip

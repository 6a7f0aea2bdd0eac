#include "stub/reader/ExecutableExtent.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <array>

namespace pgw::stub {
namespace {

constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint16_t kMaxSections = 96;  // the loader's own limit
constexpr uint16_t kPe32Magic = 0x10b;
constexpr uint16_t kPe32PlusMagic = 0x20b;
constexpr size_t kCertificateEntry = 4;

using bytes::getU16;
using bytes::getU32;

template <size_t N>
bool readExactly(const publish::ReadAt& readAt, uint64_t offset, std::array<uint8_t, N>* out) {
    return readAt(offset, out->data(), N) == N;
}

// The certificate table is addressed by file offset, not by RVA.
uint64_t certificateEnd(const publish::ReadAt& readAt, uint64_t optionalOffset, uint16_t magic, uint32_t optionalSize) {
    const uint64_t directories = optionalOffset + (magic == kPe32PlusMagic ? 112 : 96);
    const uint64_t entry = directories + kCertificateEntry * 8;
    if (entry + 8 > optionalOffset + optionalSize) return 0;
    std::array<uint8_t, 8> bytes{};
    if (!readExactly(readAt, entry, &bytes)) return 0;
    const uint32_t size = getU32(bytes.data() + 4);
    return size == 0 ? 0 : uint64_t(getU32(bytes.data())) + size;
}

}  // namespace

std::optional<uint64_t> executableImageEnd(const publish::ReadAt& readAt, uint64_t fileSize) {
    std::array<uint8_t, 64> dos{};
    if (!readExactly(readAt, 0, &dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
    const uint64_t peOffset = getU32(dos.data() + 60);
    std::array<uint8_t, 4 + kCoffHeaderSize + 2> head{};
    if (peOffset > fileSize || !readExactly(readAt, peOffset, &head)) return std::nullopt;
    if (head[0] != 'P' || head[1] != 'E' || head[2] != 0 || head[3] != 0) return std::nullopt;
    const uint16_t sections = getU16(head.data() + 6);
    const uint16_t optionalSize = getU16(head.data() + 20);
    const uint16_t magic = getU16(head.data() + 24);
    if (sections > kMaxSections || (magic != kPe32Magic && magic != kPe32PlusMagic)) return std::nullopt;

    const uint64_t optionalOffset = peOffset + 4 + kCoffHeaderSize;
    const uint64_t table = optionalOffset + optionalSize;
    uint64_t end = table + uint64_t(sections) * kSectionHeaderSize;
    for (uint16_t i = 0; i < sections; ++i) {
        std::array<uint8_t, kSectionHeaderSize> section{};
        if (!readExactly(readAt, table + uint64_t(i) * kSectionHeaderSize, &section)) return std::nullopt;
        const uint32_t rawSize = getU32(section.data() + 16);
        const uint32_t rawPointer = getU32(section.data() + 20);
        if (rawSize != 0) end = std::max(end, uint64_t(rawPointer) + rawSize);
    }
    return std::max(end, certificateEnd(readAt, optionalOffset, magic, optionalSize));
}

}  // namespace pgw::stub

#include "book/NodeInfoRecord.h"

#include <algorithm>
#include <cstring>

namespace pgw::book {
namespace {

constexpr size_t kParentItem = 0, kItem = 4, kParentName = 8, kItemName = 108, kObjName = 208, kObjKind = 228,
                 kNodeType = 232, kStorage = 236, kStream = 240, kSerial = 244, kStorePending = 248,
                 kBookmark = 252;

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Fixed-width text: zero-padded; a full field carries no terminator.
void putText(uint8_t* field, size_t width, const std::string& text) {
    std::memcpy(field, text.data(), std::min(text.size(), width));
}
std::string getText(const uint8_t* field, size_t width) {
    const auto* end = std::find(field, field + width, uint8_t(0));
    return std::string(reinterpret_cast<const char*>(field), size_t(end - field));
}

}  // namespace

std::array<uint8_t, kRecordSize> NodeInfoRecord::toBytes() const {
    std::array<uint8_t, kRecordSize> bytes{};
    uint8_t* p = bytes.data();
    put32(p + kParentItem, parentItem);
    put32(p + kItem, item);
    putText(p + kParentName, kNameField, parentName);
    putText(p + kItemName, kNameField, itemName);
    putText(p + kObjName, kObjNameField, objName);
    put32(p + kObjKind, objKind);
    put32(p + kNodeType, uint32_t(nodeType));
    put32(p + kStorage, storage ? 1 : 0);
    put32(p + kStream, stream ? 1 : 0);
    put32(p + kSerial, serial);
    put32(p + kStorePending, storePending ? 1 : 0);
    put32(p + kBookmark, bookmark ? 1 : 0);
    return bytes;
}

NodeInfoRecord NodeInfoRecord::fromBytes(const uint8_t* p) {
    NodeInfoRecord record;
    record.parentName = getText(p + kParentName, kNameField);
    record.itemName = getText(p + kItemName, kNameField);
    record.objName = getText(p + kObjName, kObjNameField);
    record.objKind = get32(p + kObjKind);
    record.nodeType = int32_t(get32(p + kNodeType));
    record.serial = get32(p + kSerial);
    return record;
}

}  // namespace pgw::book

#include "book/NodeInfoRecord.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <cstring>

namespace pgw::book {
namespace {

constexpr size_t kParentItem = 0, kItem = 4, kParentName = 8, kItemName = 108, kObjName = 208, kObjKind = 228,
                 kNodeType = 232, kStorage = 236, kStream = 240, kSerial = 244, kStorePending = 248,
                 kBookmark = 252;

using bytes::getI32;
using bytes::getU32;
using bytes::putI32;
using bytes::putU32;

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
    putU32(p + kParentItem, parentItem);
    putU32(p + kItem, item);
    putText(p + kParentName, kNameField, parentName);
    putText(p + kItemName, kNameField, itemName);
    putText(p + kObjName, kObjNameField, objName);
    putU32(p + kObjKind, objKind);
    putI32(p + kNodeType, nodeType);
    putU32(p + kStorage, storage ? 1 : 0);
    putU32(p + kStream, stream ? 1 : 0);
    putU32(p + kSerial, serial);
    putU32(p + kStorePending, storePending ? 1 : 0);
    putU32(p + kBookmark, bookmark ? 1 : 0);
    return bytes;
}

namespace {

bool sameText(const uint8_t* field, size_t width, const std::string& text) {
    const size_t used = std::min(text.size(), width);
    return std::memcmp(field, text.data(), used) == 0 && (used == width || field[used] == 0);
}

}  // namespace

bool NodeInfoRecord::matches(const uint8_t* p) const {
    return getU32(p + kObjKind) == objKind &&
           getI32(p + kNodeType) == nodeType && getU32(p + kStorage) == (storage ? 1u : 0u) &&
           getU32(p + kStream) == (stream ? 1u : 0u) && getU32(p + kSerial) == serial &&
           getU32(p + kStorePending) == (storePending ? 1u : 0u) && getU32(p + kBookmark) == (bookmark ? 1u : 0u) &&
           sameText(p + kItemName, kNameField, itemName) && sameText(p + kParentName, kNameField, parentName) &&
           sameText(p + kObjName, kObjNameField, objName);
}

NodeInfoRecord NodeInfoRecord::fromBytes(const uint8_t* p) {
    NodeInfoRecord record;
    record.parentName = getText(p + kParentName, kNameField);
    record.itemName = getText(p + kItemName, kNameField);
    record.objName = getText(p + kObjName, kObjNameField);
    record.objKind = getU32(p + kObjKind);
    record.nodeType = getI32(p + kNodeType);
    record.serial = getU32(p + kSerial);
    return record;
}

}  // namespace pgw::book

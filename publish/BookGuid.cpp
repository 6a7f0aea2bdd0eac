#include "publish/BookGuid.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace pgw::publish {

namespace {

using storage::StgResult;
namespace mode = storage::mode;

constexpr const char* kAboutInfo = "AboutInfo";

void show(book::BookStorage& storage, const std::string& text) { storage.ui().showMessage(ui::plainMessage(text)); }

// The "AboutInfo" stream of the working copy, opened (or made) and indexed when the
// index has none yet. An existing stream is opened, never replaced: it may hold the GUID.
storage::Stream* aboutInfoStream(book::BookStorage& storage) {
    book::NodeIndex& index = storage.session().index;
    book::NodeInfoRecord* record = index.find(kAboutInfo);
    if (record && record->stream) return record->stream.get();
    const auto& root = storage.store().workingCopy;
    if (!root) return nullptr;
    std::unique_ptr<storage::Stream> stream;
    if (root->openStream(kAboutInfo, mode::kOpenExclusive, &stream) != StgResult::Ok &&
        root->createStream(kAboutInfo, mode::kCreateExclusive, &stream) != StgResult::Ok)
        return nullptr;
    if (root->commit() != StgResult::Ok) return nullptr;  // a stream the file does not keep holds no code
    if (!record) {
        auto made = std::make_unique<book::NodeInfoRecord>();
        made->objName = kAboutInfo;
        made->objKind = uint32_t(book::ObjKind::Stream);
        record = index.add(kAboutInfo, std::move(made));
    }
    record->stream = std::move(stream);
    return record->stream.get();
}

BookGuidBytes readStored(storage::Stream& stream) {
    BookGuidBytes bytes{};
    size_t got = 0;
    if (stream.seek(0, storage::SeekOrigin::Set) != StgResult::Ok ||
        stream.read(bytes.data(), bytes.size(), &got) != StgResult::Ok || got != bytes.size())
        return {};  // a short stream holds no GUID
    return bytes;
}

bool store(book::BookStorage& storage, storage::Stream& stream, const BookGuidBytes& bytes) {
    return stream.seek(0, storage::SeekOrigin::Set) == StgResult::Ok &&
           stream.write(bytes.data(), bytes.size()) == StgResult::Ok && stream.commit() == StgResult::Ok &&
           storage.store().workingCopy->commit() == StgResult::Ok;
}

}  // namespace

bool BookGuid::held() const {
    return std::any_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte != 0; });
}

std::string BookGuid::text() const {
    const auto& b = bytes;
    const uint32_t first = pgw::bytes::getU32(&b[0]);
    const unsigned second = pgw::bytes::getU16(&b[4]);
    const unsigned third = pgw::bytes::getU16(&b[6]);
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", unsigned(first), second,
                  third, b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

std::optional<BookGuidBytes> randomGuid() {
    BookGuidBytes bytes{};
    try {
        std::random_device device;
        for (size_t i = 0; i < bytes.size(); i += 4) {
            pgw::bytes::putU32(&bytes[i], uint32_t(device()));
        }
    } catch (const std::exception&) {
        return std::nullopt;  // no entropy source on this system
    }
    bytes[7] = uint8_t((bytes[7] & 0x0F) | 0x40);  // version 4: the third group's top nibble
    bytes[8] = uint8_t((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    return bytes;
}

BookGuid loadBookGuid(book::BookStorage& storage, const BookGuid& current, bool* failed,
                      const GuidGenerator& generate) {
    if (failed) *failed = false;
    storage::Stream* stream = aboutInfoStream(storage);
    if (!stream) return current;  // no open book to hold a GUID

    BookGuid stored{readStored(*stream)};
    if (stored.held()) return stored;

    const auto made = generate ? generate() : std::nullopt;
    if (!made || !BookGuid{*made}.held()) {
        show(storage, "生成GUID失败.");
        if (failed) *failed = true;
        return current;
    }
    if (!store(storage, *stream, *made)) show(storage, "保存GUID失败.");
    return BookGuid{*made};
}

}  // namespace pgw::publish

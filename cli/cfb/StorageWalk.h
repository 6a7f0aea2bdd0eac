#pragma once
// Walking an element path down from a root storage, with messages that say which
// name on the path failed and why.

#include "platform/storage/CompoundFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::cli {

// Modes for elements below the root: the library, like the platform, wants children
// opened exclusively.
inline constexpr uint32_t kChildRead = storage::mode::kShareExclusive | storage::mode::kRead;
inline constexpr uint32_t kChildWrite = storage::mode::kOpenExclusive;

// A one-line description of what went wrong, without the "cfb: " prefix.
using Failure = std::optional<std::string>;

std::string resultText(storage::StgResult result, const std::string& detail = {});
// For an element's answer: a handle's damage detail explains only a Corrupt one.
std::string elementResultText(storage::StgResult result, const std::string& damageDetail);

// The storages opened from the root down, all kept open: the current one was opened
// through its parent's handle.
class StorageChain {
public:
    explicit StorageChain(storage::Storage& root) : root_(root) {}
    storage::Storage& current() { return opened_.empty() ? root_ : *opened_.back(); }

    // Opens the first `count` names of `path` as storages, one below the other. With
    // `createMissing`, storages that do not exist are made (never over a stream).
    Failure descend(const std::vector<std::string>& path, size_t count, uint32_t childMode,
                    bool createMissing);

private:
    storage::Storage& root_;
    std::vector<std::unique_ptr<storage::Storage>> opened_;
};

// Whether `parent` holds a stream / a storage of that name. The library answers a
// failed open with a code only; these turn "wrong kind" into a message of its own.
bool holdsStream(storage::Storage& parent, std::string_view name, uint32_t childMode);
bool holdsStorage(storage::Storage& parent, std::string_view name, uint32_t childMode);

// The printable path of the first `count` names.
std::string displayPrefix(const std::vector<std::string>& path, size_t count);

}  // namespace pgw::cli

#include "StorageWalk.h"

#include "ElementPath.h"

namespace pgw::cli {

using storage::StgResult;

std::string resultText(StgResult result, const std::string& detail) {
    std::string text(storage::describe(result));
    if (!detail.empty()) text += ": " + detail;
    return text;
}

std::string elementResultText(StgResult result, const std::string& damageDetail) {
    return resultText(result, result == StgResult::Corrupt ? damageDetail : std::string());
}

bool holdsStream(storage::Storage& parent, std::string_view name, uint32_t childMode) {
    std::unique_ptr<storage::Stream> stream;
    return storage::succeeded(parent.openStream(name, childMode, &stream));
}

bool holdsStorage(storage::Storage& parent, std::string_view name, uint32_t childMode) {
    std::unique_ptr<storage::Storage> child;
    return storage::succeeded(parent.openStorage(name, childMode, &child));
}

std::string displayPrefix(const std::vector<std::string>& path, size_t count) {
    return displayPath(std::vector<std::string>(path.begin(), path.begin() + count));
}

Failure StorageChain::descend(const std::vector<std::string>& path, size_t count, uint32_t childMode,
                              bool createMissing) {
    for (size_t i = 0; i < count; ++i) {
        storage::Storage& parent = current();
        std::unique_ptr<storage::Storage> next;
        StgResult result = parent.openStorage(path[i], childMode, &next);
        if (!storage::succeeded(result) && holdsStream(parent, path[i], childMode))
            return displayPrefix(path, i + 1) + ": is a stream, not a storage";
        if (result == StgResult::ElementNotFound && createMissing)
            result = parent.createStorage(path[i], childMode, &next);
        if (!storage::succeeded(result)) return displayPrefix(path, i + 1) + ": " + resultText(result);
        opened_.push_back(std::move(next));
    }
    return std::nullopt;
}

}  // namespace pgw::cli

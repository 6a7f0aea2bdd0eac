#include "editors/pictures/CPictureObjList.h"

#include <algorithm>

namespace pgw::pictures {

void CPictureObjList::save(std::string& out) const {
    writeItem(out, int32_t(pictures_.size()));
    for (const auto& picture : pictures_) picture->save(out);
}

std::string CPictureObjList::save() const {
    std::string out;
    save(out);
    return out;
}

ListLoadResult CPictureObjList::load(std::string_view stored) {
    PictureStreamReader in(stored);
    PictureItem count;
    ListLoadResult result;
    result.status = in.readItem(&count);
    // The count is unsigned to the reader: a negative one reads records until one fails.
    // Every record takes at least 48 bytes, so the input bounds the pictures made.
    for (uint32_t i = 0; result.status == ReadStatus::Ok && i < uint32_t(count.value); ++i) {
        auto picture = std::make_unique<CPictureObj>();
        result.status = picture->load(in);
        if (result.status == ReadStatus::Ok) pictures_.push_back(std::move(picture));
    }
    // A picture whose bytes run past the end moved the position there: the next read fails.
    result.end = std::min<uint64_t>(in.position(), stored.size());
    return result;
}

CPictureObj& CPictureObjList::addHead(std::unique_ptr<CPictureObj> picture) {
    pictures_.push_front(std::move(picture));
    return *pictures_.front();
}

CPictureObj& CPictureObjList::addTail(std::unique_ptr<CPictureObj> picture) {
    pictures_.push_back(std::move(picture));
    return *pictures_.back();
}

std::unique_ptr<CPictureObj> CPictureObjList::remove(const CPictureObj* picture) {
    const auto found = std::find_if(pictures_.begin(), pictures_.end(),
                                    [&](const auto& held) { return held.get() == picture; });
    if (found == pictures_.end()) return nullptr;
    std::unique_ptr<CPictureObj> taken = std::move(*found);
    pictures_.erase(found);
    return taken;
}

void CPictureObjList::deselectAll() {
    for (auto& picture : pictures_) picture->m_bSelected = 0;
}

CPictureObj* CPictureObjList::firstSelected() const {
    for (const auto& picture : pictures_)
        if (picture->m_bSelected) return picture.get();
    return nullptr;
}

CPictureObj* CPictureObjList::hitTest(PicturePoint device, const DeviceContext& dc) const {
    for (const auto& picture : pictures_)
        if (dc.toDevice(picture->m_rcPos.normalized()).contains(device)) return picture.get();
    return nullptr;
}

}  // namespace pgw::pictures

#pragma once
// The pictures of the picture page being edited, in drawing order: the head is drawn
// first and is the first candidate of a hit test. The list owns its pictures.

#include "editors/pictures/CPictureObj.h"

#include <list>
#include <memory>
#include <string>
#include <string_view>

namespace pgw::pictures {

struct ListLoadResult {
    ReadStatus status = ReadStatus::Ok;
    uint64_t end = 0;  // where the list's bytes end; anything after it is stale
};

class CPictureObjList {
public:
    using Pictures = std::list<std::unique_ptr<CPictureObj>>;

    void save(std::string& out) const;
    std::string save() const;
    // Appends the stored pictures. At the first damaged record it stops: that record is
    // dropped and the pictures before it stay.
    ListLoadResult load(std::string_view stored);

    CPictureObj& addHead(std::unique_ptr<CPictureObj> picture);
    CPictureObj& addTail(std::unique_ptr<CPictureObj> picture);
    // Takes the picture out without deleting it; empty when it was not in the list.
    std::unique_ptr<CPictureObj> remove(const CPictureObj* picture);
    void deleteAll() { pictures_.clear(); }
    void deselectAll();
    CPictureObj* firstSelected() const;
    // The first picture from the head whose normalised rectangle, on the device, holds
    // the point.
    CPictureObj* hitTest(PicturePoint device, const DeviceContext& dc) const;

    size_t size() const { return pictures_.size(); }
    bool empty() const { return pictures_.empty(); }
    Pictures::const_iterator begin() const { return pictures_.begin(); }
    Pictures::const_iterator end() const { return pictures_.end(); }

private:
    Pictures pictures_;
};

}  // namespace pgw::pictures

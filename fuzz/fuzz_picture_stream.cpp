// A picture page's stored form: any bytes load without crashing or allocating beyond the
// input; what was loaded, written back and read again, is the same list.

#include "editors/pictures/CPictureObjList.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pgw::pictures;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CPictureObjList first;
    const ListLoadResult loaded = first.load(input);
    if (loaded.end > size) std::abort();
    const std::string written = first.save();
    CPictureObjList second;
    if (second.load(written).status != ReadStatus::Ok || second.size() != first.size()) std::abort();
    if (second.save() != written) std::abort();
    // Stored bytes after the list are never read.
    CPictureObjList third;
    if (third.load(written + std::string(input)).end != written.size() || third.size() != first.size()) std::abort();
    DeviceContext dc;
    for (const auto& picture : second) {
        picture->getSize(dc);
        picture->planDraw(dc);
        picture->zoomIn();
        picture->zoomOut();
    }
    second.hitTest({data && size ? int32_t(data[0]) : 0, 7}, dc);
    return 0;
}

// The icon file reader: any bytes are read or refused without crashing, without
// allocating beyond the input, and what it accepts is consistent and reads back the same.

#include "platform/ui/ScriptedUserInterface.h"
#include "publish/CIconFileReader.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pgw::publish;
    pgw::ui::ScriptedUserInterface ui;
    CIconFileReader reader;
    const bool read = reader.ReadIconBytes(std::span<const uint8_t>(data, size), "fuzz.ico", ui);
    if (read != reader.loaded()) std::abort();
    if (!read) {
        if (ui.messages().size() != 1 || !reader.images().empty() || !reader.directory().empty()) std::abort();
        return 0;
    }
    if (!ui.messages().empty() || reader.images().size() != reader.directory().size() || reader.images().empty())
        std::abort();
    size_t total = 0;
    for (const IconImageEntry& image : reader.images()) {
        if (image.bits.size() != image.byteCount) std::abort();
        if (image.headerOffset > image.bits.size() || image.colourBitsOffset > image.bits.size() ||
            image.maskBitsOffset > image.bits.size() || image.colourBitsOffset > image.maskBitsOffset)
            std::abort();
        total += image.bits.size();
    }
    if (total > size) std::abort();  // never more than the file holds
    if (BuildGroupIconDirectory(reader).size() != 6 + 14 * reader.directory().size()) std::abort();

    // What was accepted, written as an .ico again, reads back to the same images.
    CIconFileReader again;
    if (!again.ReadIconBytes(reader.iconFileBytes(), "again.ico", ui)) std::abort();
    if (again.images().size() != reader.images().size()) std::abort();
    for (size_t i = 0; i < again.images().size(); ++i)
        if (again.images()[i].bits != reader.images()[i].bits) std::abort();
    return 0;
}

#include "platform/richtext/RtfWriter.h"

namespace pgw::richtext {

std::string writeRtf(const RichDocument&) { return {}; }

}  // namespace pgw::richtext

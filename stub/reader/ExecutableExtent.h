#pragma once
// Where a Windows executable's own bytes end: its headers, its sections' raw data and an
// attached signature. Anything after that was appended. The reader uses it to tell its
// plain self (nothing appended) from a compiled book whose appended part is damaged.

#include "publish/PublishLayout.h"

#include <cstdint>
#include <optional>

namespace pgw::stub {

// Nothing when the file does not start with PE headers that hold together.
std::optional<uint64_t> executableImageEnd(const publish::ReadAt& readAt, uint64_t fileSize);

}  // namespace pgw::stub

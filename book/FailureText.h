#pragma once
// What the author reads when a file operation fails: the cause in words, for the
// messages that name the file and what could not be done.

#include "platform/storage/StgResult.h"

#include <string>

namespace pgw::book {

std::string failureCause(storage::StgResult result);

}  // namespace pgw::book

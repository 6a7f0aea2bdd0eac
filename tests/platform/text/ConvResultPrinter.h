#pragma once
// Lets GoogleTest show a failed comparison of results as a sentence instead of raw bytes.

#include <ostream>

#include "platform/text/ConvResult.h"

namespace pgw::text {

inline void PrintTo(const ConvResult& result, std::ostream* os) { *os << describe(result); }

}  // namespace pgw::text

#pragma once
// Text-heavy pages for the rich-text benchmarks: paragraphs of random GB2312 characters
// with bold, colour, an ASCII run and a character beyond GBK, in the shape a rich edit
// control writes. Deterministic for a seed.

#include <cstddef>
#include <string>

namespace pgw::bench {

std::string makeChinesePage(size_t targetBytes, unsigned seed);

}  // namespace pgw::bench

#pragma once
// What `core --selftest` checks beyond the book's own soundness: that every text and web
// page gives its text (what the search reads) and that the remembered state survives
// being written and read back for this book's chapters.

#include "stub/reader/CompiledBook.h"

namespace pgw::stub {

SelfTestReport readerSelfTest(const CompiledBook& book);

}  // namespace pgw::stub

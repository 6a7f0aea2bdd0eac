#pragma once
// Element names: UTF-8 at the interface, UTF-16 in the file, ordered as siblings are.

#include "StgResult.h"

#include <string>
#include <string_view>

namespace pgw::storage {

// Converts and checks a name: 1 to 31 UTF-16 units, none of / \ : ! or NUL, valid
// UTF-8. Names that start with a control character (property sets, embedded objects)
// are allowed: other writers use them.
StgResult toElementName(std::string_view utf8, std::u16string* out);
// Converts the name of an element that may already be in a file: any 1 to 32 units
// (other writers use slashes and full-length names).
StgResult toLookupName(std::string_view utf8, std::u16string* out);
std::string toUtf8(std::u16string_view name);

// The order of sibling names in the file: the shorter name first, then unit by unit
// after simple uppercasing. Returns <0, 0 or >0; 0 means the names clash.
int compareElementNames(std::u16string_view a, std::u16string_view b);

char16_t simpleUpperCase(char16_t unit);

}  // namespace pgw::storage

#pragma once
// cfb extract: a compound file's whole tree as folders and files.

#include "CfbOptions.h"
#include "StorageWalk.h"

#include <string>
#include <string_view>

namespace pgw::cli {

// The file-system name of an element: its name as ls writes it (control bytes, DEL,
// '/' and '\' as \xHH), with "." and ".." written \x2E and \x2E\x2E. The path of an
// extracted file below the folder is thus a PATH that cat and put take.
std::string extractedName(std::string_view elementName);

Failure extractCommand(const CfbOptions& options);

}  // namespace pgw::cli

#pragma once
// The icon update on files: reads the executable and the .ico, writes the
// result beside `output` first and renames it, so a failure never leaves a
// half-written program.

#include <filesystem>
#include <string>

namespace pgw::pe {

bool replaceIconsInFile(const std::filesystem::path& executable, const std::filesystem::path& icoFile,
                        const std::filesystem::path& output, std::string& error);

} // namespace pgw::pe

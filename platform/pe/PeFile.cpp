#include "platform/pe/PeFile.h"

#include "platform/pe/PeResources.h"

#include <fstream>
#include <system_error>
#include <vector>

namespace pgw::pe {

namespace {

constexpr std::uintmax_t kMaxInputSize = 512u * 1024 * 1024;

bool readWhole(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxInputSize) {
        error = ec ? "Cannot read " + path.string() + ": " + ec.message() : path.string() + " is too large.";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.resize(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        error = "Cannot read " + path.string() + ".";
        return false;
    }
    return true;
}

bool writeReplacing(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::filesystem::path temporary = path;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            error = "Cannot write " + path.string() + ".";
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = "Cannot write " + path.string() + ": " + ec.message();
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

} // namespace

bool replaceIconsInFile(const std::filesystem::path& executable, const std::filesystem::path& icoFile,
                        const std::filesystem::path& output, std::string& error)
{
    std::vector<std::uint8_t> exe, ico, result;
    if (!readWhole(executable, exe, error) || !readWhole(icoFile, ico, error)) return false;
    if (!replaceIcons(exe, ico, result, error)) {
        error = executable.filename().string() + ": " + error;
        return false;
    }
    return writeReplacing(output, result, error);
}

} // namespace pgw::pe

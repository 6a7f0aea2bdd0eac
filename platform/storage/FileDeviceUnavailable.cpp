// For builds that read compound files only from devices they make themselves (the reader
// stub reads the book inside its own executable): opening a file by path is refused, so
// the storage library links without a file-system layer.

#include "FileDevice.h"

namespace pgw::storage {

StgResult openFileDevice(const std::string&, bool, FileLock, OpenedFile* out) {
    out->device.reset();
    return StgResult::AccessDenied;
}

StgResult createFileDevice(const std::string&, bool, OpenedFile* out) {
    out->device.reset();
    return StgResult::AccessDenied;
}

std::unique_ptr<FileDevice> borrowFileDescriptor(int) { return nullptr; }

}  // namespace pgw::storage

#pragma once
// Result codes and mode flags of the compound-file layer. Like the platform API it
// replaces, every operation reports success or failure as a value, never by throwing.

#include <cstdint>
#include <string_view>

namespace pgw::storage {

enum class [[nodiscard]] StgResult {
    Ok = 0,
    FileNotFound,      // the file does not exist
    PathNotFound,      // a folder on the way to the file does not exist
    AccessDenied,      // no permission, element already open, or write to a read-only open
    LockViolation,     // the file is in use by another open (this or another process)
    NotCompoundFile,   // the file exists but is not a compound file
    Corrupt,           // a compound file whose structure is damaged
    ElementNotFound,   // no element of that name in the storage
    AlreadyExists,     // an element (or file) of that name exists and replacing was not asked
    InvalidName,       // empty, too long (over 31 UTF-16 units), or holds / \ : !
    InvalidFlag,       // a mode the operation does not support
    InvalidArgument,   // a seek before the start, a size over the format's limit, ...
    Reverted,          // the element was destroyed or its file closed since it was opened
    DiskFull,          // the disk or the format's 2 GB limit is full
    IoError,           // the operating system reported a read or write failure
};

// A short English description, for messages and logs.
std::string_view describe(StgResult result);

inline bool succeeded(StgResult result) { return result == StgResult::Ok; }

// Mode flags, with the values of the platform's storage API.
namespace mode {
inline constexpr uint32_t kRead = 0x0;
inline constexpr uint32_t kWrite = 0x1;
inline constexpr uint32_t kReadWrite = 0x2;
inline constexpr uint32_t kShareDenyNone = 0x40;
inline constexpr uint32_t kShareDenyRead = 0x30;
inline constexpr uint32_t kShareDenyWrite = 0x20;
inline constexpr uint32_t kShareExclusive = 0x10;
inline constexpr uint32_t kCreate = 0x1000;

// The two modes books use: create (replacing what is there) and open, both read-write
// and exclusive.
inline constexpr uint32_t kCreateExclusive = kCreate | kShareExclusive | kReadWrite;  // 0x1012
inline constexpr uint32_t kOpenExclusive = kShareExclusive | kReadWrite;              // 0x12
inline constexpr uint32_t kOpenReadOnly = kShareDenyWrite | kRead;                    // 0x20
}  // namespace mode

}  // namespace pgw::storage

#pragma once
// The compound file's on-disk layout, all integers little-endian.
//
// The file is a 512-byte header followed by sectors of 512 bytes (version 3) or 4096
// bytes (version 4, whose header is padded to a whole sector); sector n starts at byte
// (n + 1) * sectorSize. Four structures live in sectors:
//   - the FAT: one 32-bit "next sector" entry per sector, chaining the sectors of each
//     stream; FAT sectors are listed in the header's DIFAT (109 entries) and then in a
//     chain of DIFAT sectors (sectorSize/4 - 1 entries each, plus the next DIFAT sector);
//   - the directory: a chain of 128-byte entries; entry 0 is the root storage;
//   - the miniFAT: like the FAT, for 64-byte mini sectors;
//   - the mini stream: the root entry's own chain, holding the mini sectors. Streams
//     shorter than 4096 bytes live there; longer ones use whole sectors.
// The children of each storage form a binary search tree through the left, right and
// child links of their entries, ordered by name length, then by the uppercased UTF-16
// units. Every chain ends with kEndOfChain.

#include "platform/bytes/ByteCoding.h"

#include <cstdint>

namespace pgw::storage::format {

inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr uint32_t kHeaderSize = 512;
inline constexpr uint32_t kHeaderDifatEntries = 109;
inline constexpr uint32_t kMiniSectorShift = 6;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr uint32_t kDirEntrySize = 128;
inline constexpr uint32_t kMaxNameUnits = 31;
inline constexpr uint32_t kMaxDirEntries = 0x00FFFFFF;
// Version 3 files and their streams stay below 2 GB.
inline constexpr uint64_t kMaxV3FileSize = 0x80000000ull;

inline constexpr uint16_t kMinorVersion = 0x003E;
inline constexpr uint16_t kByteOrderMark = 0xFFFE;

// Header field offsets.
namespace hdr {
inline constexpr int kMinor = 0x18, kMajor = 0x1A, kByteOrder = 0x1C, kSectorShift = 0x1E,
                     kMiniShift = 0x20, kDirSectorCount = 0x28, kFatSectorCount = 0x2C,
                     kFirstDirSector = 0x30, kTransaction = 0x34, kMiniCutoff = 0x38,
                     kFirstMiniFat = 0x3C, kMiniFatCount = 0x40, kFirstDifat = 0x44,
                     kDifatCount = 0x48, kDifat = 0x4C;
}

// Directory entry field offsets.
namespace dir {
inline constexpr int kName = 0x00, kNameLength = 0x40, kType = 0x42, kColour = 0x43, kLeft = 0x44,
                     kRight = 0x48, kChild = 0x4C, kClsid = 0x50, kStateBits = 0x60,
                     kCreated = 0x64, kModified = 0x6C, kStart = 0x74, kSize = 0x78;
}

enum EntryType : uint8_t { kUnused = 0, kStorageType = 1, kStreamType = 2, kRootType = 5 };
enum Colour : uint8_t { kRed = 0, kBlack = 1 };

// The engine's short names for the little-endian fields of the layout.
inline uint16_t get16(const uint8_t* p) { return bytes::getU16(p); }
inline uint32_t get32(const uint8_t* p) { return bytes::getU32(p); }
inline uint64_t get64(const uint8_t* p) { return bytes::getU64(p); }
inline void put16(uint8_t* p, uint16_t v) { bytes::putU16(p, v); }
inline void put32(uint8_t* p, uint32_t v) { bytes::putU32(p, v); }
inline void put64(uint8_t* p, uint64_t v) { bytes::putU64(p, v); }

}  // namespace pgw::storage::format

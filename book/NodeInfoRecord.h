#pragma once
// One chapter node of a book: the 512-byte record stored in the "NodeInfo" stream, plus
// what the open book ties to it at run time (its tree item, its open storage or stream).
//
// On disk, little-endian:
//   0   4    hParentItem     tree item of the parent (run time)
//   4   4    hItem           tree item of this node (run time)
//   8   100  szParentName    parent's name; "NULL" for the root
//   108 100  szItemName      this node's name: unique in the book, the tree label
//   208 20   szObjName       element name in the parent storage: stg%d, stm%.2d; root: title
//   228 4    nObjKind        1 storage (root, directory), 2 stream (page)
//   232 4    nNodeType       0 directory, 1 text, 2 picture, 3 web
//   236 4    pStorage        run time
//   240 4    pStream         run time
//   244 4    nSerial         storage + stream count when the node was made (never read)
//   248 4    bStorePending   run time: the editor holds newer content than the stream
//   252 4    bBookmark       written, cleared at load
//   256 256  reserved        zero
// Strings are zero-terminated GBK; the bytes after the terminator are zero.

#include "platform/storage/CompoundFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pgw::book {

enum class NodeType : int32_t { Directory = 0, Text = 1, Picture = 2, Web = 3 };
enum class ObjKind : uint32_t { Storage = 1, Stream = 2 };

// A chapter's node in the open book's tree: stable for as long as the book is open.
using NodeId = uint32_t;
inline constexpr NodeId kNoNode = 0;

inline constexpr size_t kRecordSize = 512;
inline constexpr size_t kNameField = 100;    // szParentName, szItemName
inline constexpr size_t kObjNameField = 20;  // szObjName
inline constexpr size_t kMaxNameBytes = kNameField - 1;
inline constexpr size_t kMaxObjNameBytes = kObjNameField - 1;

struct NodeInfoRecord {
    // Stored fields.
    std::string parentName;  // szParentName
    std::string itemName;    // szItemName
    std::string objName;     // szObjName
    uint32_t objKind = 0;    // nObjKind, as read: other values occur in damaged files
    int32_t nodeType = 0;    // nNodeType
    uint32_t serial = 0;     // nSerial
    bool bookmark = false;   // bBookmark

    // Run-time state.
    NodeId item = kNoNode;
    NodeId parentItem = kNoNode;
    std::shared_ptr<storage::Storage> storage;  // pStorage: root and directories
    std::unique_ptr<storage::Stream> stream;    // pStream: pages and the special streams
    bool storePending = false;                  // bStorePending

    bool isStorage() const { return objKind == uint32_t(ObjKind::Storage); }
    bool isPage() const { return objKind == uint32_t(ObjKind::Stream); }
    NodeType type() const { return NodeType(nodeType); }

    // The 512 bytes as written to "NodeInfo". Names longer than their fields are cut
    // (callers refuse such names before they get here).
    std::array<uint8_t, kRecordSize> toBytes() const;
    // Whether toBytes() would give `bytes`, for bytes that toBytes() once gave (their
    // unused space is zero): a few comparisons instead of building the record again.
    // The two tree-item words are left out: they are this run's numbers, which every
    // reader ignores, and a record stored by another run is no different for them.
    bool matches(const uint8_t* bytes) const;
    // A record read from a file: run-time words are ignored and start cleared.
    static NodeInfoRecord fromBytes(const uint8_t* bytes);
};

}  // namespace pgw::book

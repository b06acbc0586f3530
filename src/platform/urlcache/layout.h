// SPDX-License-Identifier: GPL-3.0-or-later
// Byte offsets and limits of an index.dat container, shared by the reader
// and the writer.
#pragma once

#include <cstdint>

namespace trovana::urlcache::layout {

inline constexpr uint32_t kBlockSize = 0x80;
inline constexpr uint32_t kSignatureSize = 28;

// Header fields.
inline constexpr uint32_t kFileSize = 0x1C;
inline constexpr uint32_t kFirstHashTable = 0x20;
inline constexpr uint32_t kCapacity = 0x24;
inline constexpr uint32_t kBlocksInUse = 0x28;
inline constexpr uint32_t kCacheLimit = 0x30;
inline constexpr uint32_t kCacheUsage = 0x38;
inline constexpr uint32_t kStickyUsage = 0x40;
inline constexpr uint32_t kDirectoryCount = 0x48;
inline constexpr uint32_t kDirectoryTable = 0x4C;
inline constexpr uint32_t kDirectoryEntrySize = 12;
inline constexpr uint32_t kDirectoryNameSize = 8;
inline constexpr uint32_t kMaxDirectories = 32;
inline constexpr uint32_t kLeakListHead = 0x224;  // header data index 22
inline constexpr uint32_t kBitmap = 0x250;
inline constexpr uint32_t kBlockArea = 0x4000;
inline constexpr uint32_t kBitmapSize = kBlockArea - kBitmap;
inline constexpr uint32_t kMaxCapacity = kBitmapSize * 8;  // 126,336 blocks
inline constexpr uint64_t kMaxFileSize = kBlockArea + uint64_t{kMaxCapacity} * kBlockSize;

// A fresh container as Wine makes it.
inline constexpr uint32_t kInitialCapacity = 0x80;
inline constexpr uint64_t kDefaultCacheLimit = 0x07FF5400;

// Hash tables.
inline constexpr uint32_t kHashTableBlocks = 0x20;
inline constexpr uint32_t kHashTableSize = kHashTableBlocks * kBlockSize;
inline constexpr uint32_t kHashNext = 0x08;
inline constexpr uint32_t kHashSequence = 0x0C;
inline constexpr uint32_t kHashSlots = 0x10;
inline constexpr uint32_t kSlotCount = 448;
inline constexpr uint32_t kSlotSize = 8;
inline constexpr uint32_t kBucketSlots = 7;
inline constexpr uint32_t kBucketCount = kSlotCount / kBucketSlots;  // 64

// Slot keys.
inline constexpr uint32_t kKeyDeleted = 1;
inline constexpr uint32_t kKeyFree = 3;
inline constexpr uint32_t kKeyFlagMask = 0x3F;
inline constexpr uint32_t kFlagLocked = 2;
inline constexpr uint32_t kUninitialisedA = 0x0BADF00D;
inline constexpr uint32_t kUninitialisedB = 0xDEADBEEF;

// Record signatures, as the little-endian DWORD of their four characters.
inline constexpr uint32_t Signature(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
inline constexpr uint32_t kUrlSignature = Signature('U', 'R', 'L', ' ');
inline constexpr uint32_t kLeakSignature = Signature('L', 'E', 'A', 'K');
inline constexpr uint32_t kRedirectSignature = Signature('R', 'E', 'D', 'R');
inline constexpr uint32_t kHashSignature = Signature('H', 'A', 'S', 'H');

// URL record fields (offsets from the record start).
inline constexpr uint32_t kRecBlocks = 0x04;
inline constexpr uint32_t kRecLastModified = 0x08;
inline constexpr uint32_t kRecLastAccess = 0x10;
inline constexpr uint32_t kRecExpireDate = 0x18;
inline constexpr uint32_t kRecExpireTime = 0x1A;
inline constexpr uint32_t kRecSizeLow = 0x20;
inline constexpr uint32_t kRecSizeHigh = 0x24;
inline constexpr uint32_t kRecExemptDelta = 0x2C;  // in a LEAK record: the next leak
inline constexpr uint32_t kRecUnknown30 = 0x30;
inline constexpr uint32_t kRecUrlOffset = 0x34;
inline constexpr uint32_t kRecDirectory = 0x38;
inline constexpr uint32_t kRecUnknown3A = 0x3A;
inline constexpr uint32_t kRecLocalName = 0x3C;
inline constexpr uint32_t kRecType = 0x40;
inline constexpr uint32_t kRecHeaderOffset = 0x44;
inline constexpr uint32_t kRecHeaderSize = 0x48;
inline constexpr uint32_t kRecExtension = 0x4C;
inline constexpr uint32_t kRecSyncDate = 0x50;
inline constexpr uint32_t kRecSyncTime = 0x52;
inline constexpr uint32_t kRecHitRate = 0x54;
inline constexpr uint32_t kRecUseCount = 0x58;
inline constexpr uint32_t kRecWriteDate = 0x5C;
inline constexpr uint32_t kRecWriteTime = 0x5E;
inline constexpr uint32_t kRecFixedSize = 0x68;
inline constexpr uint8_t kNoSubdirectory = 0xFE;

inline constexpr uint64_t BlockOffset(uint64_t block)
{
    return kBlockArea + block * kBlockSize;
}

}  // namespace trovana::urlcache::layout

// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_record.h"

#include <array>
#include <cstdio>

#include "log_bytes.h"

namespace trovana::eselog {
namespace {

// Fixed sizes of the records whose size never varies; 0 where the size
// depends on a length field (or the type is not read).
constexpr std::array<uint16_t, kTypeLimit> kFixedSize = {
    1, 568, 18, 9, 1, 4, 4, 4, 8, 8,       // 0-9
    7, 11, 11, 11, 0, 0, 0, 1, 18, 0,      // 10-19
    0, 4, 0, 1, 56, 48, 60, 0, 0, 0,       // 20-29
    0, 0, 44, 0, 0, 44, 0, 0, 0, 0,        // 30-39
    0, 0, 22, 0, 0, 0, 0, 0, 0, 576,       // 40-49
    26, 9, 26, 8, 0, 3, 0, 3, 68, 0,       // 50-59
    0, 0, 0, 0, 0, 0, 46, 0, 0, 0,         // 60-69
    0, 0, 0, 0, 0, 0, 0, 0, 10, 4,         // 70-79
    26, 10, 0, 0, 0, 0, 0, 0, 0, 0,        // 80-89
    0, 0, 14, 0, 10, 20, 16, 2, 27, 18,    // 90-99
    11, 19,                                // 100-101
};

// Size of the fixed part of a node record (type, session, database, page,
// dbtimes, transaction, level, line, flags, version id, tree root, object).
constexpr size_t kNodeHeader = 44;

uint32_t Field16(std::span<const uint8_t> bytes, size_t offset)
{
    ByteReader reader(bytes, offset);
    const uint16_t value = reader.U16();
    return reader.Short() ? UINT32_MAX : value;
}

uint32_t Field32(std::span<const uint8_t> bytes, size_t offset)
{
    ByteReader reader(bytes, offset);
    const uint32_t value = reader.U32();
    return reader.Short() ? UINT32_MAX : value;
}

// fixed + the length fields at the given offsets (16-bit each); 0 when a
// field lies past the bytes.
uint32_t SizeWith(std::span<const uint8_t> bytes, uint32_t fixed, std::initializer_list<size_t> lengthFields,
                  uint16_t mask = 0xFFFF)
{
    uint64_t size = fixed;
    for (size_t offset : lengthFields) {
        const uint32_t length = Field16(bytes, offset);
        if (length == UINT32_MAX)
            return 0;
        size += length & mask;
    }
    return size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

uint32_t SizeWith32(std::span<const uint8_t> bytes, uint32_t fixed, size_t lengthField)
{
    const uint32_t length = Field32(bytes, lengthField);
    if (length == UINT32_MAX || length > UINT32_MAX - fixed)
        return 0;
    return fixed + length;
}

bool IsIgnoredType(uint8_t type)
{
    return (type >= 67 && type <= 75) || (type >= 82 && type <= 91);
}

}  // namespace

std::string FormatLogPosition(const LogPosition& position)
{
    char text[48];
    std::snprintf(text, sizeof text, "%X:%u:%u", static_cast<unsigned>(position.generation), position.sector,
                  position.offset);
    return text;
}

bool operator<(const LogPosition& a, const LogPosition& b)
{
    if (a.generation != b.generation)
        return a.generation < b.generation;
    if (a.sector != b.sector)
        return a.sector < b.sector;
    return a.offset < b.offset;
}

std::string LogRecordTypeName(uint8_t type)
{
    switch (type) {
    case kNop: return "NOP";
    case kInit: return "Init";
    case kTerm: return "Term";
    case kBegin: return "Begin";
    case kCommit: return "Commit";
    case kRollback: return "Rollback";
    case kBegin0: return "Begin0";
    case kCommit0: return "Commit0";
    case kRefresh: return "Refresh";
    case kMacroBegin: return "MacroBegin";
    case kMacroCommit: return "MacroCommit";
    case kMacroAbort: return "MacroAbort";
    case kCreateDatabase: return "CreateDB";
    case kAttachDatabase: return "AttachDB";
    case kDetachDatabase: return "DetachDB";
    case kSplit: return "Split";
    case kMerge: return "Merge";
    case kInsert: return "Insert";
    case kFlagInsert: return "FlagInsert";
    case kFlagInsertAndReplaceData: return "FlagInsertAndReplaceData";
    case kFlagDelete: return "FlagDelete";
    case kReplace: return "Replace";
    case kReplaceDiff: return "ReplaceD";
    case kDelete: return "Delete";
    case kUndoInfo: return "UndoInfo";
    case kDelta: return "Delta";
    case kSetExternalHeader: return "SetExternalHeader";
    case kUndo: return "Undo";
    case kEmptyTree: return "EmptyTree";
    case 23: return "ShutDownMark";
    case 49: return "Init2";
    case 50: return "Term2";
    case kSplit2: return "Split2";
    case kMerge2: return "Merge2";
    case kScrub: return "Scrub";
    case kPageMove: return "PageMove";
    case kFragmentBegin: return "FragmentBegin";
    case kFragment: return "Fragment";
    case kDelta64: return "Delta64";
    case kNewPage: return "NewPage";
    case 67: return "MacroInfo";
    case 71: return "NOP2";
    case 92: return "SetDbVersion";
    default: return "Type" + std::to_string(type);
    }
}

uint32_t LogRecordSize(std::span<const uint8_t> bytes)
{
    if (bytes.empty() || bytes[0] >= kTypeLimit)
        return 0;
    const uint8_t type = bytes[0];
    if (kFixedSize[type] != 0)
        return kFixedSize[type];
    if (IsIgnoredType(type))
        return SizeWith32(bytes, 5, 1);
    switch (type) {
    case kCreateDatabase: {
        // The path, and before it a version (4 bytes) when flagged so.
        const uint32_t size = SizeWith(bytes, 43, {40});
        return size == 0 || bytes.size() < 43 ? 0 : size + ((bytes[42] & 0x04) ? 4 : 0);
    }
    case kAttachDatabase: return SizeWith(bytes, 75, {72});
    case kDetachDatabase: return SizeWith(bytes, 7, {4});
    case 19:
    case 20: return SizeWith(bytes, 3, {1});
    case 22:
    case 61: return SizeWith(bytes, 5, {3});
    case kSplit: return SizeWith(bytes, 102, {100, 96, 98});
    case kSplit2: {
        const uint32_t image = Field32(bytes, 106);
        const uint32_t size = SizeWith(bytes, 110, {100, 96, 98});
        return image == UINT32_MAX || size == 0 || image > 0x100000 ? 0 : size + image;
    }
    case kMerge: return SizeWith(bytes, 88, {86});
    case kMerge2: {
        const uint32_t image = Field32(bytes, 92);
        const uint32_t size = SizeWith(bytes, 96, {86});
        return image == UINT32_MAX || size == 0 || image > 0x100000 ? 0 : size + image;
    }
    case kInsert: return SizeWith(bytes, 50, {44, 46, 48});
    case kFlagInsert: return SizeWith(bytes, 48, {44, 46});
    case kFlagInsertAndReplaceData: return SizeWith(bytes, 52, {44, 46});
    case kReplace:
    case kReplaceDiff: return SizeWith(bytes, 50, {44}, 0x7FFF);
    case kUndoInfo: return SizeWith(bytes, 56, {44, 46, 54});
    case kDelta: return SizeWith(bytes, 54, {44, 46});
    case kDelta64: return SizeWith(bytes, 58, {44, 46});
    case kSetExternalHeader: return SizeWith(bytes, 46, {44});
    case kUndo: return SizeWith(bytes, 51, {44, 46});
    case 45:
    case 59: return SizeWith(bytes, 3, {1});
    case 46: return SizeWith(bytes, 5, {3});
    case kEmptyTree: return SizeWith(bytes, 46, {44});
    case 54: return SizeWith32(bytes, 7, 3);
    case kScrub: return SizeWith(bytes, 54, {52});
    case kPageMove: {
        const uint32_t header = Field32(bytes, 88);
        const uint32_t trailer = Field32(bytes, 92);
        if (header > 0x10000 || trailer > 0x10000)
            return 0;
        return 96 + header + trailer;
    }
    case kFragmentBegin: return SizeWith(bytes, 7, {5});
    case kFragment: return SizeWith(bytes, 3, {1});
    default: return 0;
    }
}

LogRecord DecodeLogRecord(std::span<const uint8_t> bytes, const LogPosition& position)
{
    LogRecord record;
    record.position = position;
    record.size = static_cast<uint32_t>(bytes.size());
    if (bytes.empty())
        return record;
    record.type = bytes[0];
    ByteReader reader(bytes, 1);
    switch (record.type) {
    case kBegin:
    case kCommit:
    case kRollback:
    case kBegin0:
    case kCommit0:
    case kRefresh:
    case kMacroBegin:
    case kMacroCommit:
    case kMacroAbort:
    case 53: {
        record.session = reader.U16();
        const uint8_t level = reader.U8();
        record.level = level;
        if (record.type == kBegin || record.type == kBegin0 || record.type == 53) {
            record.levelFrom = level & 0x0F;
            record.levels = static_cast<uint8_t>(level >> 4);
        }
        return record;
    }
    default:
        break;
    }
    const bool node = (record.type >= kSplit && record.type <= kUndo) || record.type == kEmptyTree ||
                      record.type == kSplit2 || record.type == kMerge2 || record.type == kScrub ||
                      record.type == kPageMove || record.type == kDelta64 || (record.type >= 24 && record.type <= 26) ||
                      record.type == 58;
    if (!node || bytes.size() < 32)
        return record;
    record.onPage = true;
    record.session = reader.U16();
    record.database = reader.U8();
    record.page = reader.U32();
    record.dbtime = reader.U64();
    record.dbtimeBefore = reader.U64();
    reader.Skip(4);  // transaction begin time
    record.level = reader.U8();
    record.line = reader.U16();
    record.pageFlags = reader.U8();
    const bool nodeRecord = record.type >= kInsert && record.type <= kUndo && bytes.size() >= kNodeHeader;
    if (nodeRecord || record.type == kDelta64 || record.type == kScrub || record.type == kEmptyTree) {
        reader.Skip(4);  // version id
        record.treeRoot = reader.U32();
        record.objectId = reader.U32();
    }
    switch (record.type) {
    case kSplit:
    case kSplit2:
    case kMerge:
    case kMerge2: {
        ByteReader pages(bytes, 32);
        const bool split = record.type == kSplit || record.type == kSplit2;
        record.otherPages.push_back(pages.U32());  // new page, or right neighbour
        pages.Skip(split ? 4 + 8 : 8);
        if (!split)
            record.otherPages.push_back(pages.U32());  // left neighbour
        break;
    }
    case kInsert: {
        const uint16_t suffix = reader.U16();
        const uint16_t prefix = reader.U16();
        const uint16_t data = reader.U16();
        auto prefixBytes = reader.Bytes(prefix);
        auto suffixBytes = reader.Bytes(suffix);
        record.key.assign(prefixBytes.begin(), prefixBytes.end());
        record.key.insert(record.key.end(), suffixBytes.begin(), suffixBytes.end());
        auto dataBytes = reader.Bytes(data);
        record.data.assign(dataBytes.begin(), dataBytes.end());
        break;
    }
    case kFlagInsert:
    case kFlagInsertAndReplaceData: {
        const uint16_t key = reader.U16();
        const uint16_t data = reader.U16();
        if (record.type == kFlagInsertAndReplaceData)
            reader.Skip(4);
        auto keyBytes = reader.Bytes(key);
        record.key.assign(keyBytes.begin(), keyBytes.end());
        auto dataBytes = reader.Bytes(data);
        record.data.assign(dataBytes.begin(), dataBytes.end());
        break;
    }
    case kReplace:
    case kReplaceDiff: {
        const uint16_t size = reader.U16();
        record.diffIsWide = (size & 0x8000) != 0;
        record.oldSize = reader.U16();
        record.newSize = reader.U16();
        auto dataBytes = reader.Bytes(size & 0x7FFF);
        record.data.assign(dataBytes.begin(), dataBytes.end());
        break;
    }
    default:
        break;
    }
    return record;
}

std::optional<std::vector<uint8_t>> ApplyReplaceDiff(const LogRecord& record, std::span<const uint8_t> before)
{
    // Each change: where in the old image (13 bits, or 16 in the wide
    // form), flags (insert; replace with the same length; 2-byte lengths),
    // the new length, the old length unless implied, the new bytes. Bytes
    // between changes are copied from the old image.
    std::vector<uint8_t> after;
    ByteReader diff(record.data);
    size_t old = 0;
    while (diff.Left() > 0) {
        size_t offset;
        uint8_t flags;
        if (record.diffIsWide) {
            offset = diff.U16();
            flags = diff.U8();
        } else {
            const uint16_t header = diff.U16();
            offset = header & 0x1FFF;
            flags = static_cast<uint8_t>(header >> 8);
        }
        const bool insert = flags & 0x40;
        const bool sameLength = flags & 0x20;
        const bool wide = flags & 0x80;
        if (diff.Short() || offset < old || offset > before.size())
            return std::nullopt;
        after.insert(after.end(), before.begin() + static_cast<ptrdiff_t>(old),
                     before.begin() + static_cast<ptrdiff_t>(offset));
        old = offset;
        const size_t newLength = wide ? diff.U16() : diff.U8();
        size_t oldLength = 0;
        if (!insert)
            oldLength = sameLength ? newLength : (wide ? diff.U16() : diff.U8());
        auto bytes = diff.Bytes(newLength);
        if (diff.Short() || old + oldLength > before.size())
            return std::nullopt;
        after.insert(after.end(), bytes.begin(), bytes.end());
        old += oldLength;
    }
    after.insert(after.end(), before.begin() + static_cast<ptrdiff_t>(old), before.end());
    return after;
}

}  // namespace trovana::eselog

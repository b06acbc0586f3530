// SPDX-License-Identifier: GPL-3.0-or-later
#include "record.h"

#include "layout.h"
#include "local_file.h"

namespace trovana::urlcache {
namespace {

using namespace layout;

uint32_t Align4(uint32_t value)
{
    return (value + 3) & ~uint32_t{3};
}

// A string of the record at the offset stored in `field`: absent when the
// offset is 0, inside the fixed part, or has no NUL before the record's end.
std::optional<std::string_view> RecordString(const ByteImage& image, const RecordSpan& span, uint32_t field)
{
    const uint32_t offset = image.U32(span.offset + field);
    if (offset < kRecFixedSize || offset >= span.length)
        return std::nullopt;
    return image.CString(span.offset + offset, span.offset + span.length);
}

DosDateTime DosAt(const ByteImage& image, uint64_t offset)
{
    return {image.U16(offset), image.U16(offset + 2)};
}

// The record's fields, its URL read already.
UrlRecord DecodeFields(const ByteImage& image, const RecordSpan& span, std::string_view url)
{
    UrlRecord record;
    record.span = span;
    record.url = url;
    const uint64_t offset = span.offset;
    record.localName = RecordString(image, span, kRecLocalName);
    if (record.localName && !IsSafeLocalName(*record.localName))
        record.localName.reset();
    record.extension = RecordString(image, span, kRecExtension);
    const uint32_t headerOffset = image.U32(offset + kRecHeaderOffset);
    const uint32_t headerSize = image.U32(offset + kRecHeaderSize);
    if (headerOffset >= kRecFixedSize && headerOffset <= span.length && headerSize <= span.length - headerOffset)
        record.header = image.View(offset + headerOffset, headerSize);
    record.directory = image.U8(offset + kRecDirectory);
    record.type = image.U32(offset + kRecType);
    record.useCount = image.U32(offset + kRecUseCount);
    record.hitRate = image.U32(offset + kRecHitRate);
    record.sizeLow = image.U32(offset + kRecSizeLow);
    record.sizeHigh = image.U32(offset + kRecSizeHigh);
    record.exemptDelta = image.U32(offset + kRecExemptDelta);
    record.lastModified = image.U64(offset + kRecLastModified);
    record.lastAccess = image.U64(offset + kRecLastAccess);
    record.expire = DosAt(image, offset + kRecExpireDate);
    record.lastSync = DosAt(image, offset + kRecSyncDate);
    record.fileWrite = DosAt(image, offset + kRecWriteDate);
    return record;
}

}  // namespace

std::optional<RecordSpan> RecordAt(const ByteImage& image, const IndexInfo& info, uint64_t offset)
{
    if (offset < kBlockArea || offset % kBlockSize != 0 || offset + kRecFixedSize > info.end)
        return std::nullopt;
    const uint64_t block = (offset - kBlockArea) / kBlockSize;
    if (block >= info.capacity || !BlockInUse(image, block))
        return std::nullopt;
    const uint64_t blocks = image.U32(offset + kRecBlocks);
    if (blocks == 0 || blocks > info.capacity - block)
        return std::nullopt;
    const uint64_t length = blocks * kBlockSize;
    if (length > info.end - offset)
        return std::nullopt;
    return RecordSpan{offset, length};
}

std::optional<std::string_view> ListedUrl(const ByteImage& image, const IndexInfo& info, uint64_t offset)
{
    const auto span = RecordAt(image, info, offset);
    if (!span || image.U32(offset) != kUrlSignature)
        return std::nullopt;
    return RecordString(image, *span, kRecUrlOffset);
}

std::optional<UrlRecord> ReadUrlRecord(const ByteImage& image, const IndexInfo& info, uint64_t offset)
{
    return ReadRecord(image, info, offset, kUrlSignature);
}

std::optional<UrlRecord> ReadRecord(const ByteImage& image, const IndexInfo& info, uint64_t offset, uint32_t signature)
{
    const auto found = RecordAt(image, info, offset);
    if (!found || image.U32(offset) != signature)
        return std::nullopt;
    const std::optional<std::string_view> url = RecordString(image, *found, kRecUrlOffset);
    if (!url)
        return std::nullopt;
    return DecodeFields(image, *found, *url);
}

UrlRecord DecodeUrlRecord(const ByteImage& image, const RecordSpan& span)
{
    return DecodeFields(image, span, RecordString(image, span, kRecUrlOffset).value_or(std::string_view()));
}

std::string EncodeRecord(const NewRecord& record)
{
    uint32_t size = kRecFixedSize;
    const uint32_t urlOffset = size;
    size = Align4(size + static_cast<uint32_t>(record.url.size()) + 1);
    uint32_t nameOffset = 0;
    if (record.localName) {
        nameOffset = size;
        size = Align4(size + static_cast<uint32_t>(record.localName->size()) + 1);
    }
    uint32_t headerOffset = 0;
    if (!record.header.empty()) {
        headerOffset = size;
        size = Align4(size + static_cast<uint32_t>(record.header.size()));
    }
    uint32_t extensionOffset = 0;
    if (!record.extension.empty()) {
        extensionOffset = size;
        size = Align4(size + static_cast<uint32_t>(record.extension.size()) + 1);
    }
    const uint32_t blocks = (size + kBlockSize - 1) / kBlockSize;

    ByteImage out(std::vector<uint8_t>(blocks * kBlockSize));
    for (uint32_t at = 0; at < blocks * kBlockSize; at += 4)
        out.Put32(at, kUninitialisedB);
    out.Put32(0, kUrlSignature);
    out.Put32(kRecBlocks, blocks);
    out.Put64(kRecLastModified, record.lastModified);
    out.Put64(kRecLastAccess, record.lastAccess);
    out.Put16(kRecExpireDate, record.expire.date);
    out.Put16(kRecExpireTime, record.expire.time);
    out.Put32(0x1C, 0);
    out.Put64(kRecSizeLow, record.size);
    out.Put32(0x28, 0);
    out.Put32(kRecExemptDelta, record.exemptDelta);
    out.Put32(kRecUnknown30, 0x60);
    out.Put32(kRecUrlOffset, urlOffset);
    out.Put8(kRecDirectory, record.directory);
    out.Put8(kRecDirectory + 1, 0);
    out.Put16(kRecUnknown3A, 0x1010);
    out.Put32(kRecLocalName, nameOffset);
    out.Put32(kRecType, record.type);
    out.Put32(kRecHeaderOffset, headerOffset);
    out.Put32(kRecHeaderSize, static_cast<uint32_t>(record.header.size()));
    out.Put32(kRecExtension, extensionOffset);
    out.Put16(kRecSyncDate, record.lastSync.date);
    out.Put16(kRecSyncTime, record.lastSync.time);
    out.Put32(kRecHitRate, record.hitRate);
    out.Put32(kRecUseCount, record.useCount);
    out.Put16(kRecWriteDate, record.fileWrite.date);
    out.Put16(kRecWriteTime, record.fileWrite.time);
    out.Put32(0x60, 0);
    out.Put32(0x64, 0);
    const auto putString = [&out](uint32_t offset, std::string_view text) {
        out.PutBytes(offset, text);
        out.Put8(offset + text.size(), 0);
    };
    putString(urlOffset, record.url);
    if (nameOffset)
        putString(nameOffset, *record.localName);
    if (headerOffset)
        out.PutBytes(headerOffset, record.header);
    if (extensionOffset)
        putString(extensionOffset, record.extension);
    return std::string(out.View(0, out.Size()));
}

}  // namespace trovana::urlcache

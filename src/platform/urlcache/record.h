// SPDX-License-Identifier: GPL-3.0-or-later
// URL records: finding and checking the record a hash slot points at,
// decoding its fields, and encoding a new record as Wine lays it out.
#pragma once

#include "byte_image.h"
#include "file_time.h"
#include "index_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trovana::urlcache {

struct RecordSpan {
    uint64_t offset = 0;
    uint64_t length = 0;  // blocks x 128
};

// The record a slot may point at: a block boundary inside the block area
// whose block is in use, at least one block long, ending inside the file and
// the capacity.
std::optional<RecordSpan> RecordAt(const ByteImage& image, const IndexInfo& info, uint64_t offset);

// The URL of the record at offset when it is a `URL ` record that can be
// listed (its URL string lies inside it). None otherwise.
std::optional<std::string_view> ListedUrl(const ByteImage& image, const IndexInfo& info, uint64_t offset);

// The fixed fields that listed and new records share.
struct RecordFields {
    uint8_t directory = 0;
    uint32_t type = 0;
    uint32_t useCount = 0;
    uint32_t hitRate = 0;
    uint32_t exemptDelta = 0;
    uint64_t lastModified = 0;
    uint64_t lastAccess = 0;
    DosDateTime expire;
    DosDateTime lastSync;
    DosDateTime fileWrite;
};

// The fields of a listed record. Strings are views into the image; an
// optional string is absent when its offset is 0 or does not check out.
struct UrlRecord : RecordFields {
    RecordSpan span;
    std::string_view url;
    std::optional<std::string_view> localName;  // a safe bare file name
    std::optional<std::string_view> header;
    std::optional<std::string_view> extension;
    uint32_t sizeLow = 0;
    uint32_t sizeHigh = 0;

    uint64_t Size() const { return uint64_t{sizeHigh} << 32 | sizeLow; }
};

std::optional<UrlRecord> ReadUrlRecord(const ByteImage& image, const IndexInfo& info, uint64_t offset);
// The fields of a `URL ` or `LEAK` record laid out in `span`, whatever its
// signature and bitmap bits say; a URL that does not check out is empty.
UrlRecord DecodeUrlRecord(const ByteImage& image, const RecordSpan& span);
// ReadUrlRecord for a record with another signature for a record with another signature (a `LEAK` record keeps the
// layout of the `URL ` record it was).
std::optional<UrlRecord> ReadRecord(const ByteImage& image, const IndexInfo& info, uint64_t offset, uint32_t signature);

// Everything a new record holds.
struct NewRecord : RecordFields {
    std::string_view url;
    std::optional<std::string_view> localName;
    std::string_view header;     // empty: none
    std::string_view extension;  // empty: none
    uint64_t size = 0;
};

// The record's bytes, a whole number of blocks: Wine's fixed fields, then
// URL, local name, header and extension each on a 4-byte boundary, and the
// 0xDEADBEEF fill Wine leaves everywhere else.
std::string EncodeRecord(const NewRecord& record);

}  // namespace trovana::urlcache

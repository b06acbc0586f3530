// SPDX-License-Identifier: GPL-3.0-or-later
// One ESE page from the input, at each page size: its tags, nodes and the
// records they hold decoded against the catalogue's columns, and each
// node's data decompressed as a value. Nothing may crash, read outside the
// page or allocate without bound.
#include "catalogue.h"
#include "compression.h"
#include "format.h"
#include "page.h"
#include "record.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::ese;
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const uint32_t pageSize : {4096u, 32768u}) {
        std::string bytes = input.substr(0, pageSize);
        bytes.resize(pageSize, '\0');
        const PageGeometry geometry{pageSize};
        const Page page(bytes, 1, geometry);
        (void)page.Body();
        for (uint16_t tag = 0; tag < page.TagCount(); ++tag) {
            if (const auto found = page.Tag(tag))
                (void)page.TagData(*found);
            const auto node = page.NodeAt(tag);
            if (!node)
                continue;
            const DecodedRecord record = DecodeRecord(CatalogueTable(), node->data, geometry);
            (void)CatalogueRowFrom(record);
            try {
                (void)Decompress(node->data);
            } catch (const EseError&) {
            }
        }
    }
    return 0;
}

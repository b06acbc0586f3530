// SPDX-License-Identifier: GPL-3.0-or-later
// The record bytes a page of a table still holds besides its live rows:
// nodes whose tag is flagged deleted, every node of a leaf page that the
// table's tree no longer reaches, and records left in the page's free space
// and gaps (where cleanup and reorganisation leave freed nodes, and where a
// branch page keeps the records it held when it was a leaf). Free space is
// carved at every byte where a record header fits the table's columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue.h"
#include "page.h"

namespace trovana::eserecovery {

enum class LeftoverSource {
    DeletedTag,   // a tag flagged deleted
    UnusedPage,   // a leaf page the tree walk did not reach
    FreeSpace,    // bytes no tag covers
};

struct Leftover {
    LeftoverSource source = LeftoverSource::FreeSpace;
    uint32_t page = 0;
    uint16_t tag = 0;        // of DeletedTag and UnusedPage leftovers
    uint32_t pageOffset = 0; // of the record's first byte in the page
    std::string data;        // the record's bytes
};

// Whether `bytes` begin with a record header of `table`: its last fixed and
// last variable column ids within the table's, and the end of its fixed
// data where their sizes put it.
bool FitsRecordHeader(const ese::Table& table, std::string_view bytes);

// The leftovers of one page of the table; `reached` says whether the table's
// tree walk reached it as a leaf.
std::vector<Leftover> PageLeftovers(const ese::Table& table, const ese::Page& page, bool reached);

}  // namespace trovana::eserecovery

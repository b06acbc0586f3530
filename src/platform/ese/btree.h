// SPDX-License-Identifier: GPL-3.0-or-later
// Walks a B+-tree from its root page down to its leaves, left to right,
// and hands each live leaf node to the caller. A page that cannot be read
// is skipped and named; a page reached twice (a loop), a tree deeper than
// any real one or with more pages than the file are stopped and named.
#pragma once

#include "page.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trovana::ese {

class Database;

// Where a leaf node is: its page and tag.
struct NodePlace {
    uint32_t page = 0;
    uint16_t tag = 0;
};

using LeafVisitor = std::function<void(const NodePlace&, const Node&)>;

// Calls `visit` for every node of the tree's leaves whose tag is not flagged
// deleted, in key order. Each problem met adds one line to `problems`
// ("page 426 fails its checksum"); the rest of the tree is still walked.
// A root of 0 is no tree: nothing is visited.
void WalkLeaves(const Database& database, uint32_t rootPage, const LeafVisitor& visit,
                std::vector<std::string>& problems);

}  // namespace trovana::ese

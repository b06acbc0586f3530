// SPDX-License-Identifier: GPL-3.0-or-later
#include "btree.h"

#include "database.h"
#include "format.h"

#include <set>

namespace trovana::ese {

namespace {

// No real tree is deeper: a 4 KiB-page tree of 8 levels already holds more
// records than any file.
constexpr int kMaxDepth = 12;

class Walker {
public:
    Walker(const Database& database, const LeafVisitor& visit, std::vector<std::string>& problems)
        : m_database(database), m_visit(visit), m_problems(problems)
    {
    }

    void Walk(uint32_t number, int depth, uint32_t objectId)
    {
        if (depth > kMaxDepth) {
            m_problems.push_back("page " + std::to_string(number) + " lies deeper than any tree goes");
            return;
        }
        if (!m_seen.insert(number).second) {
            m_problems.push_back("page " + std::to_string(number) + " is reached twice (a loop)");
            return;
        }
        std::optional<Page> page;
        try {
            page.emplace(m_database.ReadPage(number));
        } catch (const PageError& e) {
            m_problems.push_back(e.what());
            return;
        }
        if (objectId != 0 && page->ObjectId() != objectId) {
            m_problems.push_back("page " + std::to_string(number) + " belongs to another tree");
            return;
        }
        if (depth > 0 && page->Is(kPageRoot)) {
            m_problems.push_back("page " + std::to_string(number) + " is a tree's root, reached as a child");
            return;
        }
        bool damaged = false;
        for (uint16_t tag = 1; tag < page->TagCount(); ++tag) {
            const std::optional<Node> node = page->NodeAt(tag);
            if (!node) {
                damaged = true;
                continue;
            }
            if (page->Is(kPageLeaf)) {
                if (!(node->flags & kTagDeleted))
                    m_visit({number, tag}, *node);
            } else if (node->data.size() >= 4) {
                Walk(ReadLE<uint32_t>(node->data, 0), depth + 1, page->ObjectId());
            } else {
                damaged = true;
            }
        }
        if (damaged)
            m_problems.push_back("page " + std::to_string(number) + " has tags that lie outside it");
    }

private:
    const Database& m_database;
    const LeafVisitor& m_visit;
    std::vector<std::string>& m_problems;
    std::set<uint32_t> m_seen;
};

}  // namespace

void WalkLeaves(const Database& database, uint32_t rootPage, const LeafVisitor& visit,
                std::vector<std::string>& problems)
{
    if (rootPage == 0)
        return;  // no tree: page numbers start at 1
    Walker(database, visit, problems).Walk(rootPage, 0, 0);
}

}  // namespace trovana::ese

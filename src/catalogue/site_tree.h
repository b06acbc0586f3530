// SPDX-License-Identifier: GPL-3.0-or-later
// The site tree model: a tree of URL components (host, directories, file
// name) whose leaves hold one cache entry each. Interior nodes stand for
// hosts and directories; the tree control shows them and lists the leaves.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "datetime.h"

namespace trovana::catalogue {

class CNode {
public:
    // The node's item in the site tree control, opaque to the model.
    using ItemHandle = void*;
    // Children by key (one path component, compared byte for byte), in no
    // particular order. The map owns them: removing a key or destroying a
    // node frees its subtree.
    using ChildMap = std::unordered_map<std::string, std::unique_ptr<CNode>>;

    CNode() = default;
    virtual ~CNode() = default;
    CNode(const CNode&) = delete;
    CNode& operator=(const CNode&) = delete;

    // Adds a leaf for the entry at the end of the key path, making the
    // nodes on the way. An empty path, or a path whose leaf already exists,
    // changes nothing: of two entries with the same path only the first
    // has a leaf. A leaf that a longer path passes through becomes an
    // interior node, so an entry whose path leads on to others has no leaf.
    // Components that become keys of new nodes are moved out of path.
    void Insert(std::span<std::string> path, const std::string& url, uint32_t hitRate, uint32_t size, int category,
                const DateTime& lastAccess);

    // Appends the URL of every leaf below (or of this node, if a leaf).
    void CollectUrls(std::vector<std::string>& urls) const;

    // Frees every child; the node itself stays as it is.
    void RemoveAll();
    // Frees the child under key; an unknown key is ignored.
    void RemoveChild(const std::string& key);
    // On a leaf: whether its URL is url (exactly); the leaf stays. On an
    // interior node: removes the first leaf below with that URL, if any,
    // and answers whether one was found. Directories that this empties
    // stay, for the caller to prune.
    bool RemoveUrl(const std::string& url);
    // RemoveUrl for a leaf expected at the key path below this node: goes
    // straight down the path, and searches every node only when the leaf
    // is not there. The same answer as RemoveUrl, in a few steps.
    bool RemoveUrlAt(std::span<const std::string> path, const std::string& url);
    // Frees the given child; a node that is not a child is ignored.
    void RemoveChildNode(const CNode* child);
    // Adds the number of leaves below (1 for a leaf) to counter and returns it.
    int CountEntries(int& counter) const;
    // Whether a leaf lies below (or this is one); stops at the first found.
    bool HasEntries() const;

    // A leaf holds one entry; a leaf that a longer path passes through is an
    // interior node from then on.
    bool IsLeaf() const { return m_bLeaf; }
    // The children by key. The nodes themselves may be changed; the map
    // changes only through the members above.
    const ChildMap& Children() const;
    // Null until the tree view makes the node's item and stores its id here.
    ItemHandle TreeItem() const { return m_hItem; }
    void SetTreeItem(ItemHandle item) { m_hItem = item; }

protected:
    explicit CNode(bool leaf) : m_bLeaf(leaf) {}

private:
    // Leaves, most of the nodes, have no children: the map is made with the
    // first child. The flag comes last, so that a leaf's own members fill
    // the space after it.
    ItemHandle m_hItem = nullptr;
    std::unique_ptr<ChildMap> m_children;
    bool m_bLeaf = false;
};

// A leaf: one cache entry. Once a longer path passes through it, it is an
// interior node whose entry members mean nothing.
class CEntryNode : public CNode {
public:
    CEntryNode() : CNode(true) {}

    uint32_t m_dwSize = 0;  // bytes; 0 when the entry has no local file
    uint32_t m_dwHitRate = 0;
    int m_nCategory = 0;    // CacheCategory, 1 to 6
    DateTime m_lastAccess;  // local; may be invalid
    std::string m_strUrl;   // the source URL as stored
};

}  // namespace trovana::catalogue

// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_tree.h"

#include <algorithm>

namespace trovana::catalogue {

namespace {

// The URL of a leaf; null for a node that holds no entry, so that a flag
// set by hand on a plain node cannot make the walks read what is not there.
const std::string* LeafUrl(const CNode& node)
{
    const auto* entry = dynamic_cast<const CEntryNode*>(&node);
    return entry != nullptr ? &entry->m_strUrl : nullptr;
}

}  // namespace

const CNode::ChildMap& CNode::Children() const
{
    static const ChildMap kNone;
    return m_children ? *m_children : kNone;
}

void CNode::Insert(std::span<std::string> path, const std::string& url, uint32_t hitRate, uint32_t size, int category,
                   const DateTime& lastAccess)
{
    if (path.empty()) {
        return;
    }
    if (!m_children) {
        m_children = std::make_unique<ChildMap>();
    }
    // try_emplace leaves the key alone when the child exists already.
    auto [it, added] = m_children->try_emplace(std::move(path.front()));
    if (path.size() == 1) {
        if (!added) {
            return;
        }
        auto leaf = std::make_unique<CEntryNode>();
        leaf->m_strUrl = url;
        leaf->m_dwSize = size;
        leaf->m_dwHitRate = hitRate;
        leaf->m_nCategory = category;
        leaf->m_lastAccess = lastAccess;
        it->second = std::move(leaf);
        return;
    }
    if (added) {
        it->second = std::make_unique<CNode>();
    }
    CNode& child = *it->second;
    child.Insert(path.subspan(1), url, hitRate, size, category, lastAccess);
    child.m_bLeaf = false;
}

void CNode::CollectUrls(std::vector<std::string>& urls) const
{
    if (m_bLeaf) {
        if (const std::string* leafUrl = LeafUrl(*this)) {
            urls.push_back(*leafUrl);
        }
        return;
    }
    for (const auto& [key, child] : Children()) {
        child->CollectUrls(urls);
    }
}

void CNode::RemoveAll()
{
    m_children.reset();
}

void CNode::RemoveChild(const std::string& key)
{
    if (m_children) {
        m_children->erase(key);
    }
}

bool CNode::RemoveUrl(const std::string& url)
{
    if (m_bLeaf) {
        const std::string* leafUrl = LeafUrl(*this);
        return leafUrl != nullptr && *leafUrl == url;
    }
    if (!m_children) {
        return false;
    }
    for (auto it = m_children->begin(); it != m_children->end(); ++it) {
        if (it->second->RemoveUrl(url)) {
            if (it->second->m_bLeaf) {
                m_children->erase(it);
            }
            return true;
        }
    }
    return false;
}

bool CNode::RemoveUrlAt(std::span<const std::string> path, const std::string& url)
{
    CNode* parent = this;
    for (size_t i = 0; parent != nullptr && i + 1 < path.size(); ++i) {
        const auto it = parent->Children().find(path[i]);
        parent = it != parent->Children().end() && !it->second->m_bLeaf ? it->second.get() : nullptr;
    }
    if (parent != nullptr && !path.empty()) {
        const auto it = parent->Children().find(path.back());
        if (it != parent->Children().end() && it->second->m_bLeaf) {
            const std::string* leafUrl = LeafUrl(*it->second);
            if (leafUrl != nullptr && *leafUrl == url) {
                parent->m_children->erase(it);
                return true;
            }
        }
    }
    return RemoveUrl(url);
}

bool CNode::HasEntries() const
{
    if (m_bLeaf)
        return true;
    return std::any_of(Children().begin(), Children().end(),
                       [](const auto& child) { return child.second->HasEntries(); });
}

void CNode::RemoveChildNode(const CNode* child)
{
    if (!m_children) {
        return;
    }
    for (auto it = m_children->begin(); it != m_children->end(); ++it) {
        if (it->second.get() == child) {
            m_children->erase(it);
            return;
        }
    }
}

int CNode::CountEntries(int& counter) const
{
    if (m_bLeaf) {
        return ++counter;
    }
    for (const auto& [key, child] : Children()) {
        child->CountEntries(counter);
    }
    return counter;
}

}  // namespace trovana::catalogue

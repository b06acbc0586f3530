// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_tree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace trovana::catalogue {
namespace {

using Path = std::vector<std::string>;

void Add(CNode& node, Path path, const std::string& url, uint32_t hitRate = 1)
{
    node.Insert(path, url, hitRate, 100, 2, DateTime::FromParts(2004, 3, 15));
}

std::vector<std::string> UrlsBelow(const CNode& node)
{
    std::vector<std::string> urls;
    node.CollectUrls(urls);
    std::sort(urls.begin(), urls.end());
    return urls;
}

int Entries(const CNode& node)
{
    int counter = 0;
    return node.CountEntries(counter);
}

const CNode& Child(const CNode& node, const std::string& key)
{
    return *node.Children().at(key);
}

TEST(SiteTreeInsert, MakesInteriorNodesAndALeafHoldingTheEntry)
{
    CNode root;
    const DateTime invalid = DateTime::FromFileTime(UINT64_MAX);
    Path path{"host", "dir", "file.gif"};
    root.Insert(path, "http://host/dir/file.gif", 7, 1234, 2, invalid);
    const CNode& dir = Child(Child(root, "host"), "dir");
    EXPECT_FALSE(root.IsLeaf());
    EXPECT_FALSE(Child(root, "host").IsLeaf());
    EXPECT_FALSE(dir.IsLeaf());
    const auto* leaf = dynamic_cast<const CEntryNode*>(&Child(dir, "file.gif"));
    ASSERT_NE(leaf, nullptr);
    EXPECT_TRUE(leaf->IsLeaf());
    EXPECT_EQ(leaf->m_strUrl, "http://host/dir/file.gif");
    EXPECT_EQ(leaf->m_dwHitRate, 7u);
    EXPECT_EQ(leaf->m_dwSize, 1234u);
    EXPECT_EQ(leaf->m_nCategory, 2);
    EXPECT_FALSE(leaf->m_lastAccess.IsValid());  // kept even when invalid
    EXPECT_TRUE(leaf->Children().empty());

    Path empty;
    root.Insert(empty, "about:blank", 1, 0, 1, DateTime());
    EXPECT_EQ(root.Children().size(), 1u);
}

TEST(SiteTreeInsert, OnlyTheFirstEntryOfAPathHasALeaf)
{
    CNode root;
    Add(root, {"host", "dir", "file"}, "http://host/dir/file", 1);
    Add(root, {"host", "dir", "file"}, "http://host/dir/file/", 2);
    EXPECT_EQ(UrlsBelow(root), std::vector<std::string>{"http://host/dir/file"});
    const auto& leaf = dynamic_cast<const CEntryNode&>(Child(Child(Child(root, "host"), "dir"), "file"));
    EXPECT_EQ(leaf.m_dwHitRate, 1u);
    EXPECT_EQ(Entries(root), 1);
}

TEST(SiteTreeInsert, AnEntryWhosePathLeadsOnHasNoLeafInEitherOrder)
{
    for (bool shortFirst : {true, false}) {
        CNode root;
        if (shortFirst) {
            Add(root, {"host"}, "http://host/");
        }
        Add(root, {"host", "page"}, "http://host/page");
        if (!shortFirst) {
            Add(root, {"host"}, "http://host/");
        }
        EXPECT_FALSE(Child(root, "host").IsLeaf()) << shortFirst;
        EXPECT_EQ(UrlsBelow(root), std::vector<std::string>{"http://host/page"}) << shortFirst;
        EXPECT_EQ(Entries(root), 1) << shortFirst;
        EXPECT_FALSE(root.RemoveUrl("http://host/")) << shortFirst;
    }
}

TEST(SiteTreeInsert, KeysDifferingInCaseAreDifferentChildren)
{
    CNode root;
    Add(root, {"Host", "a"}, "http://Host/a");
    Add(root, {"host", "a"}, "http://host/a");
    EXPECT_EQ(root.Children().size(), 2u);
    EXPECT_EQ(Entries(root), 2);
}

TEST(SiteTreeRemoveUrl, ALeafAnswersAndItsParentRemovesIt)
{
    CNode root;
    Add(root, {"host", "dir", "a"}, "http://host/dir/a");
    Add(root, {"host", "b"}, "http://host/b");
    CNode& dir = *root.Children().at("host")->Children().at("dir");
    CNode& leaf = *dir.Children().at("a");

    EXPECT_TRUE(leaf.RemoveUrl("http://host/dir/a"));
    EXPECT_FALSE(leaf.RemoveUrl("http://host/dir/b"));
    EXPECT_EQ(dir.Children().size(), 1u);  // the leaf does not remove itself

    EXPECT_FALSE(root.RemoveUrl("HTTP://HOST/DIR/A"));
    EXPECT_FALSE(root.RemoveUrl("http://host/dir/"));
    EXPECT_TRUE(root.RemoveUrl("http://host/dir/a"));
    // The emptied directory stays for the caller to prune.
    ASSERT_TRUE(Child(root, "host").Children().contains("dir"));
    EXPECT_TRUE(dir.Children().empty());
    EXPECT_EQ(Entries(dir), 0);
    EXPECT_EQ(UrlsBelow(root), std::vector<std::string>{"http://host/b"});
    EXPECT_FALSE(root.RemoveUrl("http://host/dir/a"));
}

TEST(SiteTreeRemoveUrl, RemovesOnlyTheFirstMatchingLeaf)
{
    CNode root;
    // One URL can reach two leaves when its paths differ (a cookie and a
    // page keyed under the same URL text are an example); one call removes one.
    Add(root, {"a", "x"}, "same");
    Add(root, {"b", "x"}, "same");
    EXPECT_TRUE(root.RemoveUrl("same"));
    EXPECT_EQ(Entries(root), 1);
    EXPECT_TRUE(root.RemoveUrl("same"));
    EXPECT_EQ(Entries(root), 0);
}

TEST(SiteTreeRemoveUrl, AlongTheKeyPathAnswersAsTheSearchDoes)
{
    CNode root;
    Add(root, {"host", "dir", "a"}, "http://host/dir/a");
    Add(root, {"host", "b"}, "http://host/b");
    Add(root, {"other", "b"}, "http://other/b");
    EXPECT_TRUE(root.HasEntries());

    // Straight down the path.
    EXPECT_TRUE(root.RemoveUrlAt(Path{"host", "dir", "a"}, "http://host/dir/a"));
    EXPECT_TRUE(Child(Child(root, "host"), "dir").Children().empty()) << "the directory stays for pruning";
    EXPECT_FALSE(Child(Child(root, "host"), "dir").HasEntries());
    // A path that leads elsewhere, or to a leaf of another URL: the search
    // decides, so the leaf of the URL goes wherever it is and no other.
    EXPECT_TRUE(root.RemoveUrlAt(Path{"nowhere", "b"}, "http://other/b"));
    EXPECT_FALSE(root.RemoveUrlAt(Path{"host", "b"}, "http://host/B"));
    EXPECT_FALSE(root.RemoveUrlAt(Path{}, "http://host/dir/a"));
    EXPECT_EQ(UrlsBelow(root), std::vector<std::string>{"http://host/b"});
    EXPECT_TRUE(root.RemoveUrlAt(Path{"host", "b"}, "http://host/b"));
    EXPECT_FALSE(root.HasEntries());
}

TEST(SiteTreeRemove, ChildrenGoWithTheirSubtreesAndUnknownOnesAreIgnored)
{
    CNode root;
    root.SetTreeItem(reinterpret_cast<CNode::ItemHandle>(0x1234));
    Add(root, {"a", "dir", "1"}, "u1");
    Add(root, {"a", "2"}, "u2");
    Add(root, {"b", "3"}, "u3");
    Add(root, {"c", "4"}, "u4");

    root.RemoveChild("missing");
    root.RemoveChildNode(&Child(Child(root, "a"), "dir"));  // a grandchild, not a child
    EXPECT_EQ(Entries(root), 4);

    root.RemoveChild("a");
    EXPECT_EQ(UrlsBelow(root), (std::vector<std::string>{"u3", "u4"}));
    root.RemoveChildNode(&Child(root, "b"));
    EXPECT_EQ(UrlsBelow(root), std::vector<std::string>{"u4"});

    root.RemoveAll();
    EXPECT_TRUE(root.Children().empty());
    EXPECT_EQ(root.TreeItem(), reinterpret_cast<CNode::ItemHandle>(0x1234));
    EXPECT_FALSE(root.IsLeaf());
    Add(root, {"d"}, "u5");
    EXPECT_EQ(Entries(root), 1);
    // A leaf has no children to remove.
    auto& leaf = const_cast<CNode&>(Child(root, "d"));
    leaf.RemoveChild("d");
    leaf.RemoveChildNode(&root);
    leaf.RemoveAll();
    EXPECT_FALSE(leaf.RemoveUrlAt(std::vector<std::string>{"x", "y"}, "u6"));
    EXPECT_TRUE(leaf.IsLeaf());
    EXPECT_TRUE(leaf.Children().empty());
    EXPECT_EQ(UrlsBelow(root), std::vector<std::string>{"u5"});
}

TEST(SiteTreeCount, AddsToTheCallersCounter)
{
    CNode root;
    Add(root, {"a", "1"}, "u1");
    Add(root, {"a", "2"}, "u2");
    int counter = 10;
    EXPECT_EQ(root.CountEntries(counter), 12);
    EXPECT_EQ(counter, 12);
    EXPECT_EQ(Child(Child(root, "a"), "1").CountEntries(counter), 13);
}

}  // namespace
}  // namespace trovana::catalogue

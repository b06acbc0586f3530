// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the test cache, with the view's questions answered by
// the test, and ways to choose rows and sites as the user does.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "listview/cache_list.h"
#include "listview/site_tree_ctrl.h"
#include "listview/tab_strip.h"
#include "scripted_prompts.h"
#include "window_fixture.h"

namespace trovana::test {

class OperationsTest : public WindowTest {
protected:
    // Selects exactly the rows of these URLs in the list.
    static void SelectRows(listview::CCacheList& list, const std::vector<std::string>& urls)
    {
        RowStore& rows = list.Rows();
        rows.SelectAll(false);
        for (const std::string& url : urls) {
            const int row = rows.FindText(url);
            ASSERT_NE(row, -1) << url;
            rows.SetSelected(row, true);
        }
        list.RowsChanged();
    }

    static std::vector<std::string> Urls(const RowStore& rows)
    {
        std::vector<std::string> urls;
        for (int row = 0; row < rows.Count(); ++row)
            urls.push_back(rows.Text(row, 0));
        return urls;
    }

    static bool Lists(const RowStore& rows, const std::string& url) { return rows.FindText(url) != -1; }

    // Selects the site's tree item and lists its entries of the current tab.
    void SelectSite(catalogue::CNode* node)
    {
        ASSERT_NE(node, nullptr);
        // Below a site never opened its item is made first.
        View().m_pSiteTree->SelectItem(View().m_pSiteTree->ItemOf(node));
        ProcessEvents();
        View().m_pSelectedNode = node;
        View().ClearCategoryList();
        View().ListSiteEntries(node);
        View().GetCategoryList()->RowsChanged();
    }

    std::set<std::string> CachedUrls() const
    {
        const std::vector<std::string> urls = m_cache.EnumeratedUrls();
        return {urls.begin(), urls.end()};
    }

    // The cached URLs less the given ones.
    static std::set<std::string> Without(std::set<std::string> urls, const std::vector<std::string>& gone)
    {
        for (const std::string& url : gone)
            urls.erase(url);
        return urls;
    }
};

}  // namespace trovana::test

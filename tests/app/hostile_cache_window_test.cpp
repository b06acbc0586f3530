// SPDX-License-Identifier: GPL-3.0-or-later
// The window on caches that are broken or missing: it starts, lists what
// can be read and shows nothing of what cannot, and never crashes.
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "app/trovana_app.h"
#include "gui_test.h"
#include "listview/cache_list.h"
#include "listview/cache_list_view.h"
#include "scripted_prompts.h"
#include "test_entry.h"

namespace trovana::test {
namespace {

namespace fs = std::filesystem;

// Starts the window on the location and answers the URLs of its All list
// and the messages it gives about the cache.
std::vector<std::string> ListedUrls(const urlcache::CacheLocation& location,
                                    std::vector<ScriptedPrompts::Asked>& problems)
{
    auto* frame = new app::CMainFrame();
    std::vector<std::string> urls;
    EXPECT_TRUE(frame->LoadFrame(location));
    app::ShowMainWindow(*frame);
    ProcessEvents();
    ScriptedPrompts prompts;
    frame->UsePrompts(&prompts);
    frame->GetListView()->ReportCacheProblems();
    problems = prompts.m_asked;
    const RowStore& rows = frame->GetListView()->GetAllList()->Rows();
    for (int row = 0; row < rows.Count(); ++row)
        urls.push_back(rows.Text(row, 0));
    delete frame;
    ProcessEvents();
    return urls;
}

fs::path IndexOf(const urlcache::CacheLocation& location, urlcache::ContainerKind kind)
{
    for (const auto& container : location.containers)
        if (container.kind == kind)
            return container.folder / "index.dat";
    return {};
}

TEST(HostileCacheWindow, ABrokenContainerLeavesTheOthersListed)
{
    const std::string cookie = "Cookie:user@www.example.com/";
    // Each way of breaking the content container's index.
    const std::vector<std::function<void(const fs::path&)>> breakages = {
        [](const fs::path& index) {
            fs::remove(index);
            fs::create_directory(index);
        },
        [](const fs::path& index) {
            fs::remove(index);
            fs::create_symlink(index, index);
        },
        [](const fs::path& index) { std::ofstream(index, std::ios::binary | std::ios::trunc) << "not a cache"; },
        [](const fs::path& index) { fs::resize_file(index, 700); },
    };
    for (size_t i = 0; i < breakages.size(); ++i) {
        TempCache cache;
        cache.Add({Entry(cookie, 30), Entry("http://www.example.com/page.htm", 40, "text/html")});
        const fs::path index = IndexOf(cache.Location(), urlcache::ContainerKind::Content);
        ASSERT_TRUE(fs::exists(index));
        breakages[i](index);
        std::vector<ScriptedPrompts::Asked> problems;
        EXPECT_EQ(ListedUrls(cache.Location(), problems), std::vector<std::string>{cookie}) << "breakage " << i;
        // One message, naming the broken index.
        ASSERT_EQ(problems.size(), 1u) << "breakage " << i;
        EXPECT_NE(problems[0].text.find(index.string()), std::string::npos) << problems[0].text;
    }
}

TEST(HostileCacheWindow, NoCacheAtAllIsAnEmptyWindow)
{
    std::vector<ScriptedPrompts::Asked> problems;
    EXPECT_TRUE(ListedUrls(urlcache::CacheLocation{}, problems).empty());
    EXPECT_TRUE(problems.empty());
    // A container folder that does not exist is an empty cache, not a fault.
    urlcache::CacheLocation nowhere;
    nowhere.containers = {{urlcache::ContainerKind::Content, "/nonexistent/trovana/Content.IE5"}};
    EXPECT_TRUE(ListedUrls(nowhere, problems).empty());
    EXPECT_TRUE(problems.empty());
}

}  // namespace
}  // namespace trovana::test

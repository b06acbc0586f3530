#include "gui_test.h"

#include <chrono>
#include <memory>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/utils.h>

namespace trovana::test {

namespace {
constexpr int kPauseMs = 10;

wxEventLoopBase& EventLoop()
{
    // Tests run outside any event loop; one loop serves the whole process.
    static std::unique_ptr<wxEventLoopBase> loop(wxTheApp->GetTraits()->CreateEventLoop());
    return wxEventLoopBase::GetActive() != nullptr ? *wxEventLoopBase::GetActive() : *loop;
}
}  // namespace

void ProcessEvents()
{
    EventLoop().YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessPendingEvents();
}

std::string PngBytes(int width, int height)
{
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), 200, 30, 30);
    wxMemoryOutputStream out;
    image.SaveFile(out, wxBITMAP_TYPE_PNG);
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        ProcessEvents();
        wxMilliSleep(kPauseMs);
    }
    return true;
}

TempCache::TempCache()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "trovana-gui-XXXXXX").string();
    m_folder = mkdtemp(pattern.data());
    using urlcache::ContainerKind;
    m_location.containers = {
        {ContainerKind::Cookies, m_folder / "Cookies"},
        {ContainerKind::History, m_folder / "History" / "History.IE5"},
        {ContainerKind::Content, m_folder / "Temporary Internet Files" / "Content.IE5"},
    };
}

TempCache::~TempCache()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

void TempCache::Add(const std::vector<urlcache::NewCacheEntry>& entries)
{
    urlcache::UrlCache cache(m_location);
    for (const urlcache::CacheResult& result : cache.CreateEntries(entries))
        ASSERT_TRUE(result.ok()) << result.message;
}

std::vector<std::string> TempCache::EnumeratedUrls() const
{
    urlcache::UrlCache cache(m_location);
    urlcache::CacheEnumeration entries = cache.Enumerate();
    std::vector<std::string> urls;
    while (auto entry = entries.Next())
        urls.push_back(entry->sourceUrlName);
    return urls;
}

}  // namespace trovana::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui_test.h"

#include <chrono>
#include <memory>

#include <gdk/gdk.h>
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

wxImage ScreenImage(const wxRect& screenRect)
{
    wxImage image;
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), screenRect.x, screenRect.y,
                                                   screenRect.width, screenRect.height);
    if (pixbuf == nullptr)
        return image;
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    image.Create(screenRect.width, screenRect.height);
    for (int y = 0; y < screenRect.height; ++y) {
        for (int x = 0; x < screenRect.width; ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            image.SetRGB(x, y, p[0], p[1], p[2]);
        }
    }
    g_object_unref(pixbuf);
    return image;
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

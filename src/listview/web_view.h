// SPDX-License-Identifier: GPL-3.0-or-later
// The preview pane below the entry lists: a browser view that shows cached
// files and the program's own pages. It never reaches the network and never
// runs the scripts of the pages it shows.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <wx/panel.h>
#include <wx/string.h>

#include "urlcache.h"

class wxWebView;

namespace trovana::listview {

class CacheSource;

class CWebView : public wxPanel {
public:
    CWebView(wxWindow* parent, wxWindowID id);
    ~CWebView() override;

    // The browser control, made at the first call or the first page shown
    // (a blank page excepted); null when no browser back end could be made.
    wxWebView* GetBrowser();

    // Loads a URL (a file URL or "about:blank"); does nothing without a browser.
    void Navigate(const wxString& url);

    // A navigation to a URL or a local file path: the whole pane, or only
    // the named frame of the frameset shown; noHistory keeps it out of the
    // pane's history. With a cache URL, target is that entry's file and the
    // pane shows the entry through the cache's own address, never as a
    // local file.
    struct Navigation {
        wxString target;
        wxString frame;
        bool noHistory = false;
        std::string cacheUrl;
    };
    void Navigate2(const Navigation& navigation);

    // Writes the text page (temp.htm in the working folder) for text and
    // shows it. Throws std::filesystem::filesystem_error when the page
    // cannot be written; nothing is shown then.
    void ShowTextPage(std::string_view text);

    // The cache whose entries the pane shows: its addresses are answered
    // from these containers alone. Unchanged when it is the same cache.
    void SetCache(const urlcache::CacheLocation& location);

    // Whether the pane follows a navigation to this address: the program's
    // own pages in its working folder and entries of the cache with a file
    // (pages, frames, links); nothing else: no link or refresh away from
    // the cache, no other local file.
    bool Allows(const std::string& address) const;

    // Offline: the pane shows what it is given and fetches nothing from
    // the network. The pane never reaches the network in any case.
    void SetOffline(bool offline) { m_bOffline = offline; }
    bool GetOffline() const { return m_bOffline; }

    // What the preview last showed; kept by the preview operations.
    const wxString& CurrentSource() const { return m_strCurrentSource; }
    void SetCurrentSource(const wxString& source) { m_strCurrentSource = source; }
    // The last navigation asked for, and how many were asked for.
    const Navigation& LastNavigation() const { return m_lastNavigation; }
    int NavigationCount() const { return m_nNavigations; }

private:
    wxString m_strCurrentSource;
    Navigation m_lastNavigation;
    int m_nNavigations = 0;
    wxWebView* m_pBrowser = nullptr;
    bool m_bNoBrowser = false;  // none could be made
    bool m_bOffline = false;
    std::unique_ptr<CacheSource> m_pSource;
};

}  // namespace trovana::listview

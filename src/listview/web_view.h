// The preview pane below the entry lists: a browser view that shows cached
// files and the program's own pages. It never reaches the network and never
// runs the scripts of the pages it shows.
#pragma once

#include <wx/panel.h>
#include <wx/string.h>

class wxWebView;

namespace trovana::listview {

class CWebView : public wxPanel {
public:
    CWebView(wxWindow* parent, wxWindowID id);

    // The browser control; null when no browser back end could be made.
    wxWebView* GetBrowser() const { return m_pBrowser; }

    // Loads a URL (a file URL or "about:blank"); does nothing without a browser.
    void Navigate(const wxString& url);

    // What the preview last showed; kept by the preview operations.
    wxString m_strCurrentSource;

private:
    wxWebView* m_pBrowser = nullptr;
};

}  // namespace trovana::listview

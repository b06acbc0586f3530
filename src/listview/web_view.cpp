#include "web_view.h"

#include <wx/sizer.h>
#include <wx/webview.h>

#include <webkit2/webkit2.h>

namespace trovana::listview {

namespace {
// A closed port on the loopback interface: every network load through this
// proxy fails at once, so a cached page cannot fetch anything from outside.
constexpr const char* kNoNetworkProxy = "http://127.0.0.1:9";

void LockDown(wxWebView* browser)
{
    auto* view = static_cast<WebKitWebView*>(browser->GetNativeBackend());
    if (view == nullptr)
        return;
    // Pages from the cache never run their scripts; the program's own
    // RunScript calls still work.
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_javascript_markup(settings, FALSE);

    WebKitWebContext* context = webkit_web_view_get_context(view);
    WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
    WebKitNetworkProxySettings* proxy = webkit_network_proxy_settings_new(kNoNetworkProxy, nullptr);
    webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                                           proxy);
    webkit_network_proxy_settings_free(proxy);
}
}  // namespace

CWebView::CWebView(wxWindow* parent, wxWindowID id)
    : wxPanel(parent, id)
{
    if (wxWebView::IsBackendAvailable(wxWebViewBackendDefault)) {
        m_pBrowser = wxWebView::New(this, wxID_ANY, "about:blank");
        if (m_pBrowser != nullptr)
            LockDown(m_pBrowser);
    }
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    if (m_pBrowser != nullptr)
        sizer->Add(m_pBrowser, 1, wxEXPAND);
    SetSizer(sizer);
}

void CWebView::Navigate(const wxString& url)
{
    if (m_pBrowser != nullptr)
        m_pBrowser->LoadURL(url);
}

}  // namespace trovana::listview

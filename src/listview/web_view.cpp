#include "web_view.h"

#include <cerrno>

#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include "listview/text_page.h"
#include "work_folder.h"

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

// A local path as a file URL; URLs ("about:blank", "file:...") pass as they are.
wxString ToUrl(const wxString& target)
{
    if (!target.StartsWith("/"))
        return target;
    return wxFileSystem::FileNameToURL(wxFileName(target));
}

// A JavaScript string literal of text.
wxString ScriptString(const wxString& text)
{
    wxString quoted = "\"";
    for (wxUniChar c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        if (c < 0x20)
            quoted += wxString::Format("\\u%04x", static_cast<unsigned>(c.GetValue()));
        else
            quoted += c;
    }
    return quoted + "\"";
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
    Navigate2({url, {}, false});
}

void CWebView::Navigate2(const Navigation& navigation)
{
    m_lastNavigation = navigation;
    ++m_nNavigations;
    if (m_pBrowser == nullptr)
        return;
    const wxString url = ToUrl(navigation.target);
    if (navigation.frame.empty()) {
        m_pBrowser->LoadURL(url);
        return;
    }
    // Pages' own scripts are off; the program's script only points the
    // named frame at the new address, when the frame is there. No answer is
    // awaited, so none can arrive after the pane has gone.
    const wxString script = "var f = window.frames[" + ScriptString(navigation.frame) +
                            "]; if (f) f.location.replace(" + ScriptString(url) + ");";
    if (auto* view = static_cast<WebKitWebView*>(m_pBrowser->GetNativeBackend()))
        webkit_web_view_evaluate_javascript(view, script.utf8_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
}

void CWebView::ShowTextPage(std::string_view text)
{
    const std::filesystem::path folder = WorkingFolder();
    if (folder.empty())
        throw std::filesystem::filesystem_error("cannot make the working folder", std::error_code(ENOENT, std::generic_category()));
    const std::filesystem::path page = WriteTextPage(folder, text);
    Navigate2({wxString::FromUTF8(page.string()), {}, true});
}

}  // namespace trovana::listview

// SPDX-License-Identifier: GPL-3.0-or-later
#include "web_view.h"

#include <cerrno>
#include <string>

#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include "listview/cache_address.h"
#include "listview/cache_scheme.h"
#include "listview/text_page.h"
#include "listview/toolkit_start.h"
#include "local_file.h"
#include "work_folder.h"

#include <webkit2/webkit2.h>

namespace trovana::listview {

namespace {
// Closes every connection at once: the proxy's answer to every request.
gboolean CloseConnection(GSocketService*, GSocketConnection* connection, GObject*, gpointer)
{
    g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
    return TRUE;
}

// The proxy that every network load of the preview goes to: a listening
// socket on the loopback interface that this process holds for its whole
// life, on a port the system picks, answering every connection by closing
// it. A fixed port that nobody listens on would not do: any process that
// can listen there would receive the page's requests. Empty when no such
// socket can be made.
std::string NetworkSink()
{
    static const std::string sink = [] {
        GSocketService* service = g_socket_service_new();
        GSocketAddress* loopback = g_inet_socket_address_new_from_string("127.0.0.1", 0);
        GSocketAddress* bound = nullptr;
        std::string address;
        if (g_socket_listener_add_address(G_SOCKET_LISTENER(service), loopback, G_SOCKET_TYPE_STREAM,
                                          G_SOCKET_PROTOCOL_TCP, nullptr, &bound, nullptr)) {
            const guint16 port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
            address = "http://127.0.0.1:" + std::to_string(port);
            g_signal_connect(service, "incoming", G_CALLBACK(CloseConnection), nullptr);
            g_socket_service_start(service);
            g_object_unref(bound);
        } else {
            g_object_unref(service);  // kept otherwise: it lives as long as the program
        }
        g_object_unref(loopback);
        return address;
    }();
    return sink;
}

WebKitWebView* NativeView(wxWebView* browser)
{
    return browser != nullptr ? static_cast<WebKitWebView*>(browser->GetNativeBackend()) : nullptr;
}

// Navigations the pane does not allow are ignored: the page shown stays.
// New windows are never opened.
gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer pane)
{
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
        return FALSE;
    auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
    const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && uri != nullptr &&
        static_cast<const CWebView*>(pane)->Allows(uri))
        return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

// False when the browser cannot be made safe: it must not show anything then.
bool LockDown(wxWebView* browser, CWebView* pane)
{
    WebKitWebView* view = NativeView(browser);
    const std::string sink = NetworkSink();
    if (view == nullptr || sink.empty())
        return false;
    // Before wx's own handler, which is connected after the default one.
    g_signal_connect(view, "decide-policy", G_CALLBACK(DecidePolicy), pane);
    // Pages from the cache never run their scripts; the program's own
    // RunScript calls still work.
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_javascript_markup(settings, FALSE);

    WebKitWebContext* context = webkit_web_view_get_context(view);
    WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
    WebKitNetworkProxySettings* proxy = webkit_network_proxy_settings_new(sink.c_str(), nullptr);
    webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, proxy);
    webkit_network_proxy_settings_free(proxy);
    RegisterCacheSchemes(context);
    return true;
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

CWebView::CWebView(wxWindow* parent, wxWindowID id) : wxPanel(parent, id)
{
    // Blank and white, as a browser shows "about:blank", until the first
    // page: the browser and its web process are made only then.
    SetBackgroundColour(*wxWHITE);
    SetSizer(new wxBoxSizer(wxVERTICAL));
}

wxWebView* CWebView::GetBrowser()
{
    if (m_pBrowser != nullptr || m_bNoBrowser)
        return m_pBrowser;
    if (wxWebView::IsBackendAvailable(wxWebViewBackendDefault)) {
        const BrowserWithoutGl noGl;
        m_pBrowser = wxWebView::New(this, wxID_ANY, "about:blank");
    }
    if (m_pBrowser == nullptr) {
        m_bNoBrowser = true;
        return nullptr;
    }
    if (!LockDown(m_pBrowser, this)) {
        m_pBrowser->Destroy();
        m_pBrowser = nullptr;
        m_bNoBrowser = true;
        return nullptr;
    }
    if (m_pSource != nullptr)
        SetViewSource(NativeView(m_pBrowser), m_pSource.get());
    GetSizer()->Add(m_pBrowser, 1, wxEXPAND);
    Layout();
    return m_pBrowser;
}

CWebView::~CWebView()
{
    if (WebKitWebView* view = NativeView(m_pBrowser)) {
        SetViewSource(view, nullptr);
        g_signal_handlers_disconnect_by_data(view, this);
    }
}

void CWebView::SetCache(const urlcache::CacheLocation& location)
{
    const auto folders = [](const urlcache::CacheLocation& cache) {
        std::vector<std::filesystem::path> list;
        for (const auto& container : cache.containers)
            list.push_back(container.folder);
        list.insert(list.end(), cache.webCaches.begin(), cache.webCaches.end());
        return list;
    };
    if (m_pSource != nullptr && folders(m_pSource->Location()) == folders(location))
        return;
    m_pSource = std::make_unique<CacheSource>(location);
    if (WebKitWebView* view = NativeView(m_pBrowser))
        SetViewSource(view, m_pSource.get());
}

bool CWebView::Allows(const std::string& address) const
{
    if (address == "about:blank" || address == "about:srcdoc")
        return true;
    if (address.starts_with("file:")) {
        gchar* name = g_filename_from_uri(address.c_str(), nullptr, nullptr);
        const std::filesystem::path path = name != nullptr ? name : "";
        g_free(name);
        std::filesystem::path folder;
        try {
            folder = WorkingFolder();
        } catch (const std::filesystem::filesystem_error&) {
            // No working folder: none of the program's pages can be there.
            return false;
        }
        std::error_code error;
        const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
        return !path.empty() && !error && urlcache::StaysInside(path, root);
    }
    return m_pSource != nullptr && !CacheUrlsOf(address).empty() && m_pSource->Holds(address);
}

void CWebView::Navigate(const wxString& url)
{
    Navigate2({url, {}, false, {}});
}

void CWebView::Navigate2(const Navigation& navigation)
{
    m_lastNavigation = navigation;
    ++m_nNavigations;
    // A blank page needs no browser: the pane is blank until it has one.
    const bool blank = navigation.cacheUrl.empty() && navigation.target == "about:blank";
    if (m_pBrowser == nullptr && (blank || GetBrowser() == nullptr))
        return;
    const wxString url = navigation.cacheUrl.empty() ? ToUrl(navigation.target)
                                                     : wxString::FromUTF8(CacheAddress(navigation.cacheUrl));
    if (navigation.frame.empty()) {
        m_pBrowser->LoadURL(url);
        return;
    }
    // Pages' own scripts are off; the program's script only points the
    // named frame at the new address, when the frame is there. No answer is
    // awaited, so none can arrive after the pane has gone.
    const wxString script = "var f = window.frames[" + ScriptString(navigation.frame) +
                            "]; if (f) f.location.replace(" + ScriptString(url) + ");";
    if (WebKitWebView* view = NativeView(m_pBrowser))
        webkit_web_view_evaluate_javascript(view, script.utf8_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
}

void CWebView::ShowTextPage(std::string_view text)
{
    // Throws WorkFolderError, which names the folders tried and why.
    const std::filesystem::path folder = WorkingFolder();
    const std::filesystem::path page = WriteTextPage(folder, text);
    Navigate2({wxString::FromUTF8(page.string()), {}, true, {}});
}

}  // namespace trovana::listview

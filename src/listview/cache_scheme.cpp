// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/cache_scheme.h"

#include <unistd.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include <gio/gio.h>
#include <gio/gunixinputstream.h>
#include <webkit2/webkit2.h>
#include <wx/translation.h>

#include "ascii.h"
#include "listview/cache_address.h"
#include "operations/cached_file.h"

namespace trovana::listview {

namespace {
constexpr const char* kSourceKey = "trovana-cache-source";

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

std::string GuessContentType(const std::string& fileName, const std::string& bytes)
{
    gchar* type = g_content_type_guess(fileName.c_str(), reinterpret_cast<const guchar*>(bytes.data()), bytes.size(),
                                       nullptr);
    gchar* mime = g_content_type_get_mime_type(type);
    std::string result = mime != nullptr ? mime : "application/octet-stream";
    g_free(mime);
    g_free(type);
    return result;
}

// Pages and style sheets, whose references are mapped onto cache addresses.
bool RefersToOthers(const std::string& contentType)
{
    const std::string type = ToLowerAscii(contentType);
    for (std::string_view kind : {"text/html", "text/css", "application/xhtml+xml", "image/svg+xml"}) {
        if (type.starts_with(kind))
            return true;
    }
    return false;
}

void Fail(WebKitURISchemeRequest* request, const std::string& why)
{
    GError* error = g_error_new_literal(g_quark_from_static_string("trovana-cache"), 1, why.c_str());
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

void AnswerRequest(WebKitURISchemeRequest* request, gpointer)
{
    CacheSource* source = ViewSource(webkit_uri_scheme_request_get_web_view(request));
    if (source == nullptr) {
        Fail(request, _("No cache is open").utf8_string());
        return;
    }
    CacheSource::Answer answer = source->Find(webkit_uri_scheme_request_get_uri(request));
    if (!answer.failure.empty()) {
        Fail(request, answer.failure);
        return;
    }
    GObjectPtr<GInputStream> stream;
    if (answer.file.Get() >= 0) {
        stream.reset(g_unix_input_stream_new(answer.file.Release(), TRUE));
    } else {
        auto* text = new std::string(std::move(answer.bytes));
        GBytes* bytes = g_bytes_new_with_free_func(
            text->data(), text->size(), [](gpointer data) { delete static_cast<std::string*>(data); }, text);
        stream.reset(g_memory_input_stream_new_from_bytes(bytes));
        g_bytes_unref(bytes);
    }
    GObjectPtr<WebKitURISchemeResponse> response(
        webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(answer.size)));
    webkit_uri_scheme_response_set_content_type(response.get(), answer.contentType.c_str());
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Content-Type", answer.contentType.c_str());
    // Fonts a page names may come from another cached host.
    soup_message_headers_append(headers, "Access-Control-Allow-Origin", "*");
    // Kept by no cache of the browser's: what the pane shows is the cache as it is now.
    soup_message_headers_append(headers, "Cache-Control", "no-store");
    webkit_uri_scheme_response_set_http_headers(response.get(), headers);
    webkit_uri_scheme_request_finish_with_response(request, response.get());
}

std::string CannotReadText(const std::string& file)
{
    return _("The cached file cannot be read:").utf8_string() + " " + file;
}
}  // namespace

CacheSource::CacheSource(urlcache::CacheLocation location) : m_location(location), m_cache(std::move(location)) {}

std::unique_ptr<urlcache::CacheEntryInfo> CacheSource::Entry(std::string_view address)
{
    for (const std::string& url : CacheUrlsOf(address)) {
        try {
            if (auto info = m_cache.GetEntryInfo(url); info != nullptr && !info->localFileName.empty())
                return info;
        } catch (const std::runtime_error&) {
            // Answered from a WebKit callback, through which no exception may pass.
            return nullptr;
        } catch (const std::logic_error&) {
            return nullptr;
        }
    }
    return nullptr;
}

bool CacheSource::Holds(std::string_view address)
{
    return Entry(address) != nullptr;
}

CacheSource::Answer CacheSource::Find(std::string_view address)
{
    Answer answer;
    const auto info = Entry(address);
    if (info == nullptr || !operations::IsInsideCache(info->localFileName, m_location)) {
        answer.failure = _("Not in the cache").utf8_string();
        return answer;
    }
    switch (fileio::OpenRegularFile(info->localFileName, answer.file, answer.size)) {
    case fileio::FileRead::Read: break;
    case fileio::FileRead::NotRegular:
        answer.failure = _("Not a regular file:").utf8_string() + " " + info->localFileName;
        return answer;
    default: answer.failure = CannotReadText(info->localFileName); return answer;
    }
    answer.contentType = HeaderContentType(info->headerInfo);
    if (answer.contentType.empty()) {
        std::string start(std::min<std::size_t>(answer.size, 4096), '\0');
        const ssize_t got = ::pread(answer.file.Get(), start.data(), start.size(), 0);
        start.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        answer.contentType = GuessContentType(info->localFileName, start);
    }
    if (RefersToOthers(answer.contentType)) {
        const fileio::FileRead read = fileio::ReadRegularFile(info->localFileName, kMappedTextLimit, answer.bytes);
        if (read != fileio::FileRead::Read && read != fileio::FileRead::TooLarge) {
            answer.failure = CannotReadText(info->localFileName);
            return answer;
        }
        answer.bytes = MapAbsoluteReferences(answer.bytes);
        answer.file = fileio::FileDescriptor();
        answer.size = answer.bytes.size();
    }
    return answer;
}

std::string HeaderContentType(std::string_view headers)
{
    constexpr std::string_view kName = "content-type:";
    std::size_t start = 0;
    while (start < headers.size()) {
        std::size_t end = headers.find('\n', start);
        if (end == std::string_view::npos)
            end = headers.size();
        std::string_view line = headers.substr(start, end - start);
        start = end + 1;
        if (line.size() < kName.size() || ToLowerAscii(line.substr(0, kName.size())) != kName)
            continue;
        line.remove_prefix(kName.size());
        const auto first = line.find_first_not_of(" \t");
        const auto last = line.find_last_not_of(" \t\r");
        if (first == std::string_view::npos)
            return {};
        return std::string(line.substr(first, last - first + 1));
    }
    return {};
}

void RegisterCacheSchemes(WebKitWebContext* context)
{
    static std::set<WebKitWebContext*> registered;
    if (!registered.insert(context).second)
        return;
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    for (const std::string& scheme : CacheSchemes()) {
        webkit_web_context_register_uri_scheme(context, scheme.c_str(), AnswerRequest, nullptr, nullptr);
        // Fonts and the like are fetched with CORS; the answers allow it.
        webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
    }
}

void SetViewSource(WebKitWebView* view, CacheSource* source)
{
    g_object_set_data(G_OBJECT(view), kSourceKey, source);
}

CacheSource* ViewSource(WebKitWebView* view)
{
    return view != nullptr ? static_cast<CacheSource*>(g_object_get_data(G_OBJECT(view), kSourceKey)) : nullptr;
}

}  // namespace trovana::listview

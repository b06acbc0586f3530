#include "listview/deletion_report.h"

#include <algorithm>

#include "listview/cache_list.h"

namespace trovana::listview {

namespace {
// A long list of reasons is cut: the first lines say what went wrong.
constexpr size_t kMaxReasonLines = 8;
}  // namespace

wxString DeleteFailureText(uint32_t code, EntryWording wording)
{
    const wxString subject = wording == EntryWording::Item ? "The item" : "The file";
    if (code == urlcache::ERROR_ACCESS_DENIED)
        return subject + " is locked or in use. The item will be marked and will be deleted when the file is unlocked";
    if (code == urlcache::ERROR_FILE_NOT_FOUND)
        return subject + " is not in the cache";
    return {};
}

bool IsMarkedPending(urlcache::UrlCache& cache, const std::string& url, const urlcache::CacheResult& result)
{
    if (result.code != urlcache::ERROR_ACCESS_DENIED)
        return false;
    const auto info = cache.GetEntryInfo(url);
    return info != nullptr && (info->cacheEntryType & urlcache::PENDING_DELETE_CACHE_ENTRY) != 0;
}

void DeletionReport::Add(const std::string& url, const urlcache::CacheResult& result, bool markedPending)
{
    if (result.ok())
        return;
    Reason reason;
    if (result.code == urlcache::ERROR_FILE_NOT_FOUND) {
        reason.single = DeleteFailureText(result.code, m_wording);
        reason.group = "not in the cache";
    } else if (markedPending) {
        reason.single = DeleteFailureText(urlcache::ERROR_ACCESS_DENIED, m_wording);
        reason.group = "locked or in use: marked, to be deleted when unlocked";
    } else {
        // The library's own words: Wine running, a read-only file system,
        // permission denied, a damaged container.
        const std::string& why = result.message.empty() ? urlcache::ErrorText(result.code) : result.message;
        reason.group = wxString::FromUTF8(why);
        reason.single = (m_wording == EntryWording::Item ? "The item" : "The file") +
                        wxString(" could not be deleted: ") + reason.group;
    }
    if (m_failures++ == 0)
        m_firstUrl = url;
    const auto known = std::find_if(m_reasons.begin(), m_reasons.end(),
                                    [&](const Reason& r) { return r.group == reason.group; });
    if (known != m_reasons.end()) {
        ++known->count;
        return;
    }
    reason.count = 1;
    m_reasons.push_back(std::move(reason));
}

void DeletionReport::AddAll(urlcache::UrlCache& cache, const std::vector<std::string>& urls,
                            const std::vector<urlcache::CacheResult>& results)
{
    for (size_t i = 0; i < urls.size() && i < results.size(); ++i)
        Add(urls[i], results[i], IsMarkedPending(cache, urls[i], results[i]));
}

wxString DeletionReport::Noun(size_t count) const
{
    const wxString noun = m_wording == EntryWording::Item ? "item" : "file";
    return wxString::Format("%zu ", count) + noun + (count == 1 ? "" : "s");
}

wxString DeletionReport::Caption() const
{
    if (m_failures == 1)
        return "Cannot Delete " + ToDisplayText(m_firstUrl);
    return wxString::Format("Cannot Delete %zu Items", m_failures);
}

wxString DeletionReport::Text(size_t attempted) const
{
    if (m_failures == 1)
        return m_reasons.front().single;
    wxString text = wxString::Format("%zu of ", m_failures) + Noun(attempted) + " could not be deleted:\n";
    for (size_t i = 0; i < m_reasons.size() && i < kMaxReasonLines; ++i)
        text += "\n" + m_reasons[i].group + " (" + Noun(m_reasons[i].count) + ")";
    if (m_reasons.size() > kMaxReasonLines)
        text += wxString::Format("\n(and %zu more reasons)", m_reasons.size() - kMaxReasonLines);
    return text;
}

}  // namespace trovana::listview

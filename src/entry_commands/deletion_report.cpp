// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/deletion_report.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <wx/translation.h>

#include "entry_commands/display_text.h"

namespace trovana::entry_commands {

namespace {
// A long list of reasons is cut: the first lines say what went wrong.
constexpr size_t kMaxReasonLines = 8;
}  // namespace

wxString DeleteFailureText(uint32_t code, EntryWording wording)
{
    const bool item = wording == EntryWording::Item;
    if (code == urlcache::ERROR_ACCESS_DENIED)
        return item ? _("The item is locked or in use. The item will be marked and will be deleted when the file is "
                        "unlocked")
                    : _("The file is locked or in use. The item will be marked and will be deleted when the file is "
                        "unlocked");
    if (code == urlcache::ERROR_FILE_NOT_FOUND)
        return item ? _("The item is not in the cache") : _("The file is not in the cache");
    return {};
}

bool IsMarkedPending(urlcache::UrlCache& cache, const std::string& url, const urlcache::CacheResult& result)
{
    if (result.code != urlcache::ERROR_ACCESS_DENIED)
        return false;
    try {
        const auto info = cache.GetEntryInfo(url);
        return info != nullptr && (info->cacheEntryType & urlcache::PENDING_DELETE_CACHE_ENTRY) != 0;
    } catch (const std::runtime_error&) {
        // The index cannot be read again: the refusal is reported as it came.
        return false;
    } catch (const std::logic_error&) {
        return false;
    }
}

void DeletionReport::Add(const std::string& url, const urlcache::CacheResult& result, bool markedPending)
{
    if (result.ok() && result.kept != urlcache::KeptFile::NotKept) {
        AddKept(result);
        return;
    }
    if (result.ok())
        return;
    Reason reason;
    if (result.code == urlcache::ERROR_FILE_NOT_FOUND) {
        reason.single = DeleteFailureText(result.code, m_wording);
        reason.group = _("not in the cache");
    } else if (markedPending) {
        reason.single = DeleteFailureText(urlcache::ERROR_ACCESS_DENIED, m_wording);
        reason.group = _("locked or in use: marked, to be deleted when unlocked");
    } else {
        // The library's own words: Wine running, a read-only file system,
        // permission denied, a damaged container.
        const std::string& why = result.message.empty() ? urlcache::ErrorText(result.code) : result.message;
        reason.group = wxString::FromUTF8(why);
        reason.single = wxString::Format(m_wording == EntryWording::Item ? _("The item could not be deleted: %s")
                                                                         : _("The file could not be deleted: %s"),
                                         reason.group);
    }
    if (m_failures++ == 0)
        m_firstUrl = url;
    Count(m_reasons, std::move(reason));
}

void DeletionReport::Count(std::vector<Reason>& reasons, Reason reason)
{
    const auto known =
        std::find_if(reasons.begin(), reasons.end(), [&](const Reason& r) { return r.group == reason.group; });
    if (known != reasons.end()) {
        ++known->count;
        return;
    }
    reason.count = 1;
    reasons.push_back(std::move(reason));
}

void DeletionReport::AddKept(const urlcache::CacheResult& result)
{
    Reason reason;
    switch (result.kept) {
    case urlcache::KeptFile::TimesDiffer:
        reason.group = _("their modification time differs from the one the cache holds (changed after they were "
                         "cached, or the cache was copied without its times)");
        break;
    case urlcache::KeptFile::NotWritable: reason.group = _("their folder cannot be written"); break;
    case urlcache::KeptFile::OutsideCache: reason.group = _("they lie outside the cache's folders"); break;
    default:
        reason.group = wxString::Format(_("they could not be removed: %s"),
                                        wxString::FromUTF8(std::strerror(result.keptError)));
        break;
    }
    ++m_kept.count;
    Count(m_kept.reasons, std::move(reason));
    const std::string folder = std::filesystem::path(result.keptPath).parent_path().string();
    if (std::find(m_kept.folders.begin(), m_kept.folders.end(), folder) == m_kept.folders.end())
        m_kept.folders.push_back(folder);
}

wxString DeletionReport::KeptText() const
{
    wxString text = wxString::Format(wxPLURAL("%zu entry was deleted, but its file was kept on disk:",
                                              "%zu entries were deleted, but their files were kept on disk:",
                                              m_kept.count),
                                     m_kept.count) +
                    "\n";
    for (size_t i = 0; i < m_kept.reasons.size() && i < kMaxReasonLines; ++i)
        text += "\n" + m_kept.reasons[i].group + " (" +
                wxString::Format(wxPLURAL("%zu file", "%zu files", m_kept.reasons[i].count), m_kept.reasons[i].count) +
                ")";
    text += "\n\n" + wxPLURAL("In the folder:", "In the folders:", m_kept.folders.size());
    for (size_t i = 0; i < m_kept.folders.size() && i < kMaxReasonLines; ++i)
        text += "\n" + wxString::FromUTF8(m_kept.folders[i]);
    if (m_kept.folders.size() > kMaxReasonLines)
        text += "\n" + wxString::Format(_("(and %zu more folders)"), m_kept.folders.size() - kMaxReasonLines);
    return text;
}

void DeletionReport::AddAll(urlcache::UrlCache& cache, const std::vector<std::string>& urls,
                            const std::vector<urlcache::CacheResult>& results)
{
    for (size_t i = 0; i < urls.size() && i < results.size(); ++i)
        Add(urls[i], results[i], IsMarkedPending(cache, urls[i], results[i]));
}

wxString DeletionReport::Noun(size_t count) const
{
    return wxString::Format(m_wording == EntryWording::Item ? wxPLURAL("%zu item", "%zu items", count)
                                                            : wxPLURAL("%zu file", "%zu files", count),
                            count);
}

wxString DeletionReport::Caption() const
{
    if (m_failures == 1)
        return wxString::Format(_("Cannot Delete %s"), ToDisplayText(m_firstUrl));
    return wxString::Format(wxPLURAL("Cannot Delete %zu Item", "Cannot Delete %zu Items", m_failures), m_failures);
}

wxString DeletionReport::Text(size_t attempted) const
{
    if (m_failures == 1)
        return m_reasons.front().single;
    // TRANSLATORS: "3 of 5 items could not be deleted:"; %s is "5 items" or "5 files".
    wxString text = wxString::Format(_("%zu of %s could not be deleted:"), m_failures, Noun(attempted)) + "\n";
    for (size_t i = 0; i < m_reasons.size() && i < kMaxReasonLines; ++i)
        text += "\n" + m_reasons[i].group + " (" + Noun(m_reasons[i].count) + ")";
    if (m_reasons.size() > kMaxReasonLines)
        text += "\n" + wxString::Format(_("(and %zu more reasons)"), m_reasons.size() - kMaxReasonLines);
    return text;
}

}  // namespace trovana::entry_commands

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's choice of cache: File > Open Cache..., the recent caches
// kept in the program's configuration from one run to the next, the title
// that names the cache shown, and the commands a read-only cache disables.
#include <wx/config.h>
#include <wx/filehistory.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/translation.h>

#include "app/main_frame.h"
#include "app/named_cache.h"
#include "app/open_cache_dlg.h"
#include "app/resource.h"
#include "listview/cache_list_view.h"

namespace trovana::app {

namespace {
constexpr const char* kRecentPath = "/RecentCaches";
// The names, "name1" for "file1" of the recent list and so on.
constexpr const char* kRecentNamesPath = "/RecentCacheNames";
// "readonly1" = 1 for "file1" when it was opened read-only by choice.
constexpr const char* kRecentReadOnlyPath = "/RecentCacheReadOnly";
constexpr size_t kRecentCount = 5;
constexpr int kDeletingCommands[] = {ID_CACHE_DELETE, ID_CACHE_DELETE_ALL};

wxString NameKey(size_t index)
{
    return wxString::Format("name%zu", index + 1);
}

wxString ReadOnlyKey(size_t index)
{
    return wxString::Format("readonly%zu", index + 1);
}

void SaveRecent(wxFileHistory& recent, const std::map<wxString, wxString>& names, const std::set<wxString>& readOnly)
{
    wxConfigBase* config = wxConfigBase::Get();
    config->DeleteGroup(kRecentPath);
    config->SetPath(kRecentPath);
    recent.Save(*config);
    config->DeleteGroup(kRecentNamesPath);
    config->SetPath(kRecentNamesPath);
    for (size_t i = 0; i < recent.GetCount(); ++i) {
        const auto found = names.find(recent.GetHistoryFile(i));
        if (found != names.end() && !found->second.empty())
            config->Write(NameKey(i), found->second);
    }
    config->DeleteGroup(kRecentReadOnlyPath);
    config->SetPath(kRecentReadOnlyPath);
    for (size_t i = 0; i < recent.GetCount(); ++i) {
        if (readOnly.contains(recent.GetHistoryFile(i)))
            config->Write(ReadOnlyKey(i), true);
    }
    config->SetPath("/");
    config->Flush();
}
}  // namespace

void CMainFrame::AddCacheMenus()
{
    wxMenu* file = GetMenuBar() != nullptr ? GetMenuBar()->GetMenu(0) : nullptr;
    if (file == nullptr)
        return;
    auto* recent = new wxMenu;
    file->Insert(0, ID_FILE_OPEN_CACHE, _("&Open Cache...\tCtrl+O"), wxGetTranslation(PROMPT_OPEN_CACHE));
    AddImageMenu(*file, 1);
    file->Insert(2, wxID_ANY, _("&Recent Caches"), recent, wxGetTranslation(PROMPT_RECENT));
    file->InsertSeparator(3);

    m_recentCaches = std::make_unique<wxFileHistory>(kRecentCount, wxID_FILE1);
    // Every item with its whole path: profiles of different prefixes share names.
    m_recentCaches->SetMenuPathStyle(wxFH_PATH_SHOW_ALWAYS);
    m_recentCaches->UseMenu(recent);
    wxConfigBase* config = wxConfigBase::Get();
    config->SetPath(kRecentPath);
    m_recentCaches->Load(*config);
    config->SetPath(kRecentNamesPath);
    for (size_t i = 0; i < m_recentCaches->GetCount(); ++i)
        m_recentNames[m_recentCaches->GetHistoryFile(i)] = config->Read(NameKey(i));
    config->SetPath(kRecentReadOnlyPath);
    for (size_t i = 0; i < m_recentCaches->GetCount(); ++i) {
        if (config->ReadBool(ReadOnlyKey(i), false))
            m_recentReadOnly.insert(m_recentCaches->GetHistoryFile(i));
    }
    config->SetPath("/");

    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnOpenCache(); }, ID_FILE_OPEN_CACHE);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent& event) {
            const size_t index = static_cast<size_t>(event.GetId() - wxID_FILE1);
            if (index >= m_recentCaches->GetCount())
                return;
            const wxString path = m_recentCaches->GetHistoryFile(index);
            OpenCachePath(path.utf8_string(), m_recentReadOnly.contains(path), m_recentNames[path]);
        },
        wxID_FILE1, wxID_FILE1 + static_cast<int>(kRecentCount) - 1);
}

void CMainFrame::ShowCacheState(const wxString& name, bool readOnly)
{
    wxString title = wxString(APP_TITLE) + " " + VERSION_TEXT;
    if (!name.empty())
        title += " - " + name;
    // Said in the title, which stays, as the status bar's texts come and go.
    if (readOnly)
        title += " " + _("(read-only)");
    SetTitle(title);
    for (int id : kDeletingCommands) {
        if (wxMenuBar* bar = GetMenuBar())
            bar->Enable(id, !readOnly);
        if (wxToolBar* tools = GetToolBar())
            tools->EnableTool(id, !readOnly);
    }
    GetListView()->SetReadOnly(readOnly);
}

void CMainFrame::ShowNoCache(const wxString& why)
{
    ShowCacheState(_("no cache"), true);
    SetTitle(wxString(APP_TITLE) + " " + VERSION_TEXT + " - " + _("no cache"));
    GetListView()->ShowNoCache(why, _("File > Open Cache... (Ctrl+O) opens a Wine prefix, a copied Windows user "
                                      "profile or a container file; WINEPREFIX or TROVANA_PROFILE names the "
                                      "cache to open at the start."));
}

bool CMainFrame::OpenCachePath(const std::filesystem::path& path, bool readOnly, const wxString& name)
{
    // A disk image holds caches of its own to choose from.
    if (IsDiskImage(path))
        return OpenImage(path);
    std::optional<NamedCache> cache = FindNamedCache(UserPrompts(), this, path);
    if (!cache)
        return false;
    if (!name.empty())
        cache->name = name;
    DecideReadOnly(*cache, readOnly);
    ShowCache(std::move(*cache));
    return true;
}

void CMainFrame::ShowCache(NamedCache cache, std::function<std::string(const std::string&)> problemText)
{
    listview::CCacheListView* view = GetListView();
    // Until an image's cache says where its entries come from.
    m_openImage.reset();
    view->SetEntrySource(nullptr);
    view->SetProblemText(std::move(problemText));
    const bool readOnly = cache.location.readOnly;
    view->SetReadOnly(readOnly);
    view->OpenCache(std::move(cache.location));
    // The title changes once the new cache is shown.
    ShowCacheState(cache.name, readOnly);
    if (!cache.path.empty())
        AddRecentCache(cache.path, cache.name, cache.readOnlyAsked);
    view->ReportCacheProblems();
}

void CMainFrame::AddRecentCache(const std::filesystem::path& path, const wxString& name, bool readOnly)
{
    const wxString file = wxString::FromUTF8(path.string());
    m_recentCaches->AddFileToHistory(file);
    m_recentNames[file] = name;
    if (readOnly)
        m_recentReadOnly.insert(file);
    else
        m_recentReadOnly.erase(file);
    SaveRecent(*m_recentCaches, m_recentNames, m_recentReadOnly);
}

void CMainFrame::OnOpenCache()
{
    COpenCacheDlg dialog(this, UserPrompts());
    if (dialog.ShowModal() != wxID_OK)
        return;
    OpenCachePath(dialog.ChosenPath(), dialog.IsReadOnly(), dialog.ChosenName());
}

}  // namespace trovana::app

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
constexpr size_t kRecentCount = 5;
constexpr int kDeletingCommands[] = {ID_CACHE_DELETE, ID_CACHE_DELETE_ALL};

void SaveRecent(wxFileHistory& recent)
{
    wxConfigBase* config = wxConfigBase::Get();
    config->DeleteGroup(kRecentPath);
    config->SetPath(kRecentPath);
    recent.Save(*config);
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
    file->Insert(1, wxID_ANY, _("&Recent Caches"), recent, wxGetTranslation(PROMPT_RECENT));
    file->InsertSeparator(2);

    m_recentCaches = std::make_unique<wxFileHistory>(kRecentCount, wxID_FILE1);
    // Every item with its whole path: profiles of different prefixes share names.
    m_recentCaches->SetMenuPathStyle(wxFH_PATH_SHOW_ALWAYS);
    m_recentCaches->UseMenu(recent);
    wxConfigBase* config = wxConfigBase::Get();
    config->SetPath(kRecentPath);
    m_recentCaches->Load(*config);
    config->SetPath("/");

    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnOpenCache(); }, ID_FILE_OPEN_CACHE);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent& event) {
            const size_t index = static_cast<size_t>(event.GetId() - wxID_FILE1);
            if (index < m_recentCaches->GetCount())
                OpenCachePath(m_recentCaches->GetHistoryFile(index).utf8_string(), false);
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

bool CMainFrame::OpenCachePath(const std::filesystem::path& path, bool readOnly)
{
    std::optional<NamedCache> cache = FindNamedCache(this, path);
    if (!cache)
        return false;
    DecideReadOnly(*cache, readOnly);
    ShowCache(std::move(*cache));
    return true;
}

void CMainFrame::ShowCache(NamedCache cache)
{
    listview::CCacheListView* view = GetListView();
    const bool readOnly = cache.location.readOnly;
    view->SetReadOnly(readOnly);
    view->OpenCache(std::move(cache.location));
    // The title changes once the new cache is shown.
    ShowCacheState(cache.name, readOnly);
    if (!cache.path.empty())
        AddRecentCache(cache.path);
    view->ReportCacheProblems();
}

void CMainFrame::AddRecentCache(const std::filesystem::path& path)
{
    m_recentCaches->AddFileToHistory(wxString::FromUTF8(path.string()));
    SaveRecent(*m_recentCaches);
}

void CMainFrame::OnOpenCache()
{
    COpenCacheDlg dialog(this);
    if (dialog.ShowModal() != wxID_OK)
        return;
    std::optional<NamedCache> cache = FindNamedCache(this, dialog.ChosenPath());
    if (!cache)
        return;
    if (!dialog.ChosenName().empty())
        cache->name = dialog.ChosenName();
    DecideReadOnly(*cache, dialog.IsReadOnly());
    ShowCache(std::move(*cache));
}

}  // namespace trovana::app

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands for people who examine caches: File > Export,
// View > Recovered Records, View > Times in UTC, whose choice is kept in the
// program's configuration from one run to the next, and View > History Time
// Zone, whose choice is kept there with each cache.
#include <map>

#include <wx/config.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/translation.h>

#include "app/history_zone_dlg.h"
#include "app/main_frame.h"
#include "app/resource.h"
#include "export_row.h"
#include "listview/cache_list_view.h"

namespace trovana::app {

namespace {
constexpr const char* kTimesUtcKey = "/View/TimesInUtc";
// Entries CacheN (the cache) and ZoneN (its zone), N from 1.
constexpr const char* kHistoryZonesPath = "/HistoryTimeZones";

// A cache as the settings name it: its Wine prefix, else the folder of its
// first container, else its WebCache database.
wxString CacheKey(const urlcache::CacheLocation& location)
{
    std::filesystem::path path = location.winePrefix;
    if (path.empty() && !location.containers.empty())
        path = location.containers.front().IndexPath();
    if (path.empty() && !location.webCaches.empty())
        path = location.webCaches.front();
    return wxString::FromUTF8(path.lexically_normal().string());
}

// The zones chosen for caches, by CacheKey.
std::map<wxString, wxString> ReadHistoryZones()
{
    std::map<wxString, wxString> zones;
    wxConfigBase* config = wxConfigBase::Get();
    for (int i = 1;; ++i) {
        wxString cache, zone;
        const wxString group = wxString(kHistoryZonesPath) + "/";
        if (!config->Read(group + wxString::Format("Cache%d", i), &cache) ||
            !config->Read(group + wxString::Format("Zone%d", i), &zone))
            break;
        zones[cache] = zone;
    }
    return zones;
}

void WriteHistoryZones(const std::map<wxString, wxString>& zones)
{
    wxConfigBase* config = wxConfigBase::Get();
    config->DeleteGroup(kHistoryZonesPath);
    int i = 1;
    for (const auto& [cache, zone] : zones) {
        const wxString group = wxString(kHistoryZonesPath) + "/";
        config->Write(group + wxString::Format("Cache%d", i), cache);
        config->Write(group + wxString::Format("Zone%d", i), zone);
        ++i;
    }
    config->Flush();
}

// The zone chosen for the cache; empty when none was.
wxString ChosenHistoryZone(const urlcache::CacheLocation& location)
{
    const auto zones = ReadHistoryZones();
    const auto found = zones.find(CacheKey(location));
    return found == zones.end() ? wxString() : found->second;
}

// The zone the cache's daily and weekly history are read in: the one
// chosen for it, else its default.
TimeZone HistoryZoneOf(const urlcache::CacheLocation& location)
{
    if (const wxString chosen = ChosenHistoryZone(location); !chosen.empty()) {
        if (std::optional<TimeZone> zone = TimeZone::Load(chosen.utf8_string()))
            return *zone;
    }
    return exporting::DefaultSourceZone(location);
}
}  // namespace

bool TimesInUtcChosen()
{
    return wxConfigBase::Get()->ReadBool(kTimesUtcKey, false);
}

void CMainFrame::AddExaminerMenus()
{
    wxMenuBar* bar = GetMenuBar();
    if (bar == nullptr)
        return;
    // Export... goes above Exit, with a line between them.
    if (wxMenu* file = bar->GetMenu(0)) {
        size_t position = 0;
        file->FindChildItem(ID_APP_EXIT, &position);
        file->Insert(position, ID_FILE_EXPORT, _("&Export..."), wxGetTranslation(PROMPT_EXPORT));
        file->InsertSeparator(position + 1);
    }
    auto* view = new wxMenu;
    view->AppendCheckItem(ID_VIEW_RECOVERED, _("&Recovered Records"), wxGetTranslation(PROMPT_RECOVERED));
    view->AppendCheckItem(ID_VIEW_TIMES_UTC, _("Times in &UTC"), wxGetTranslation(PROMPT_TIMES_UTC));
    view->Append(ID_VIEW_HISTORY_ZONE, _("History &Time Zone..."), wxGetTranslation(PROMPT_HISTORY_ZONE));
    // The View menu follows the Edit menu.
    const int edit = bar->FindMenu(_("&Edit"));
    bar->Insert(edit == wxNOT_FOUND ? bar->GetMenuCount() : static_cast<size_t>(edit) + 1, view, _("&View"));

    const bool utc = TimesInUtcChosen();
    view->Check(ID_VIEW_TIMES_UTC, utc);
    GetListView()->SetTimesUtc(utc);
    GetListView()->SetSourceZoneChooser(HistoryZoneOf);

    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { GetListView()->ExportRows(); }, ID_FILE_EXPORT);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent& event) { GetListView()->ShowRecovered(event.IsChecked()); },
        ID_VIEW_RECOVERED);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent& event) {
            wxConfigBase* config = wxConfigBase::Get();
            config->Write(kTimesUtcKey, event.IsChecked());
            config->Flush();
            GetListView()->SetTimesUtc(event.IsChecked());
        },
        ID_VIEW_TIMES_UTC);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ChooseHistoryZone(); }, ID_VIEW_HISTORY_ZONE);
    // Delete and Delete All are greyed out where they would only refuse:
    // in a read-only cache and in the Recovered view. They, Copy, Export
    // and Refresh are greyed out while long work runs: a second would only
    // wait for its end.
    const auto onUpdate = [this](int first, int last, bool (*enable)(const listview::CCacheListView&)) {
        Bind(
            wxEVT_UPDATE_UI,
            [this, enable](wxUpdateUIEvent& event) {
                // Only the tool bar's buttons and the menu's items: a window
                // of the same id (a list) is left alone.
                if (auto* from = dynamic_cast<wxWindow*>(event.GetEventObject());
                    from != nullptr && from != GetToolBar()) {
                    event.Skip();
                    return;
                }
                const listview::CCacheListView* view = GetListView();
                event.Enable(view != nullptr && enable(*view));
            },
            first, last);
    };
    onUpdate(ID_CACHE_DELETE, ID_CACHE_DELETE_ALL, [](const listview::CCacheListView& view) {
        return !view.IsReadOnly() && !view.IsRecoveredShown() && !view.IsWorking();
    });
    for (const int id : {ID_CACHE_COPY, ID_CACHE_REFRESH, ID_FILE_EXPORT})
        onUpdate(id, id, [](const listview::CCacheListView& view) { return !view.IsWorking(); });
}

void CMainFrame::ChooseHistoryZone()
{
    const urlcache::CacheLocation& location = GetListView()->Location();
    CHistoryZoneDlg dialog(this, UserPrompts(), ChosenHistoryZone(location),
                           wxString::FromUTF8(exporting::DefaultSourceZone(location).Name()));
    if (dialog.ShowModal() != wxID_OK)
        return;
    std::map<wxString, wxString> zones = ReadHistoryZones();
    if (dialog.ChosenZone().empty())
        zones.erase(CacheKey(location));
    else
        zones[CacheKey(location)] = dialog.ChosenZone();
    WriteHistoryZones(zones);
}

}  // namespace trovana::app

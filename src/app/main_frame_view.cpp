// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands for people who examine caches: File > Export,
// View > Recovered Records and View > Times in UTC, whose choice is kept
// in the program's configuration from one run to the next.
#include <wx/config.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/translation.h>

#include "app/main_frame.h"
#include "app/resource.h"
#include "listview/cache_list_view.h"

namespace trovana::app {

namespace {
constexpr const char* kTimesUtcKey = "/View/TimesInUtc";
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
    // The View menu follows the Edit menu.
    const int edit = bar->FindMenu(_("&Edit"));
    bar->Insert(edit == wxNOT_FOUND ? bar->GetMenuCount() : static_cast<size_t>(edit) + 1, view, _("&View"));

    const bool utc = TimesInUtcChosen();
    view->Check(ID_VIEW_TIMES_UTC, utc);
    GetListView()->SetTimesUtc(utc);

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
    // Delete and Delete All are greyed out where they would only refuse:
    // in a read-only cache and in the Recovered view.
    Bind(
        wxEVT_UPDATE_UI,
        [this](wxUpdateUIEvent& event) {
            // Only the tool bar's buttons and the menu's items: a window of
            // the same id (a list) is left alone.
            if (auto* from = dynamic_cast<wxWindow*>(event.GetEventObject()); from != nullptr && from != GetToolBar()) {
                event.Skip();
                return;
            }
            const listview::CCacheListView* view = GetListView();
            event.Enable(view != nullptr && !view->IsReadOnly() && !view->IsRecoveredShown());
        },
        ID_CACHE_DELETE, ID_CACHE_DELETE_ALL);
}

}  // namespace trovana::app

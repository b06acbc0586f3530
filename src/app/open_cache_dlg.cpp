// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/open_cache_dlg.h"

#include <memory>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "app/search_dialog_parts.h"
#include "listview/screen_fit.h"

namespace trovana::app {

namespace {
namespace fs = std::filesystem;

// Kind, name, user, path, entries, size on disk.
constexpr ListColumn kColumns[] = {
    {wxTRANSLATE("Kind"), 80, wxLIST_FORMAT_LEFT},     {wxTRANSLATE("Name"), 150, wxLIST_FORMAT_LEFT},
    {wxTRANSLATE("User"), 90, wxLIST_FORMAT_LEFT},     {wxTRANSLATE("Path"), 250, wxLIST_FORMAT_LEFT},
    {wxTRANSLATE("Entries"), 70, wxLIST_FORMAT_RIGHT}, {wxTRANSLATE("Size on Disk"), 90, wxLIST_FORMAT_RIGHT},
};
// The dialog fits a window of 800 x 600 and can be made smaller still.
const wxSize kStartSize{760, 460};
const wxSize kSmallestSize{420, 300};
constexpr int kBorder = 8;
constexpr int kMenuFolder = 1;
constexpr int kMenuFile = 2;

wxString ByteSize(uint64_t bytes)
{
    constexpr double kKilobyte = 1024.0;
    if (bytes < 1024)
        return wxString::Format(_("%llu B"), static_cast<unsigned long long>(bytes));
    if (bytes < 1024 * 1024)
        return wxString::Format(_("%.1f KB"), static_cast<double>(bytes) / kKilobyte);
    return wxString::Format(_("%.1f MB"), static_cast<double>(bytes) / (kKilobyte * kKilobyte));
}

wxString FromPath(const fs::path& path)
{
    return wxString::FromUTF8(path.string());
}

wxString KindText(discovery::CacheKind kind)
{
    const std::string_view name = discovery::KindName(kind);
    return wxString::FromUTF8(name.data(), name.size());
}
}  // namespace

COpenCacheDlg::COpenCacheDlg(wxWindow* parent, listview::Prompts& prompts, discovery::Environment environment)
    : wxDialog(parent, wxID_ANY, _("Open Cache"), wxDefaultPosition, kStartSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_prompts(prompts)
{
    MakeControls();
    PlaceCacheDialog(*this, kSmallestSize, kStartSize);
    StartSearch(std::move(environment));
}

COpenCacheDlg::~COpenCacheDlg()
{
    // The search's results now go nowhere; its thread ends by itself.
    m_worker.Stop();
}

void COpenCacheDlg::MakeControls()
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY, _("&Caches found on this computer:")), 0, wxLEFT | wxRIGHT | wxTOP,
               kBorder);
    m_list = MakeCacheList(*this, IDC_OPEN_CACHES, kColumns, std::size(kColumns));
    sizer->Add(m_list, 1, wxEXPAND | wxALL, kBorder);

    SearchProgress parts;
    wxSizer* progress = MakeSearchProgress(*this, _("Searching..."), 1, IDC_OPEN_STOP, parts);
    m_status = parts.status;
    m_gauge = parts.gauge;
    m_stop = parts.stop;
    sizer->Add(progress, 0, wxEXPAND | wxLEFT | wxRIGHT, kBorder);

    auto* path = new wxBoxSizer(wxHORIZONTAL);
    path->Add(new wxStaticText(this, wxID_ANY, _("&Path:")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorder);
    m_path = new wxTextCtrl(this, IDC_OPEN_PATH);
    path->Add(m_path, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorder);
    path->Add(new wxButton(this, IDC_OPEN_BROWSE, _("&Browse...")), 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(path, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kBorder);

    auto* bottom = new wxBoxSizer(wxHORIZONTAL);
    m_readOnly = new wxCheckBox(this, IDC_OPEN_READ_ONLY, _("&Read-only: change nothing in the cache"));
    bottom->Add(m_readOnly, 1, wxALIGN_CENTER_VERTICAL);
    auto* buttons = new wxStdDialogButtonSizer;
    auto* open = new wxButton(this, wxID_OK, _("&Open"));
    buttons->AddButton(open);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    bottom->Add(buttons, 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(bottom, 0, wxEXPAND | wxALL, kBorder);
    SetSizer(sizer);
    open->SetDefault();

    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, &COpenCacheDlg::OnRowSelected, this);
    // Enter or a double click on a row opens it.
    m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { OnOpen(); });
    m_path->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (m_pickedRow >= 0 && m_path->GetValue() != FromPath(m_caches[static_cast<size_t>(m_pickedRow)].path))
            m_pickedRow = -1;
    });
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOpen(); }, wxID_OK);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); }, IDC_OPEN_BROWSE);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { StopSearch(); }, IDC_OPEN_STOP);
    // Cancel, Escape and the close box end the search at once.
    StopWorkerOnCancel(*this, m_worker);
    m_list->SetFocus();
}

void COpenCacheDlg::StartSearch(discovery::Environment environment)
{
    m_searching = true;
    m_worker.Run([this, stopWanted = m_stopWanted,
                  environment = std::move(environment)](const listview::CWindowWorker::Channel& channel) {
        discovery::Discovery found = discovery::DiscoverCaches(environment, [&](const discovery::Progress& step) {
            channel.Post([this, step] { ShowProgress(step); });
            return !channel.StopRequested() && !stopWanted->load();
        });
        // Also after Stop: what was found until then is listed.
        auto shown = std::make_shared<discovery::Discovery>(std::move(found));
        channel.Post([this, shown] { ShowFound(std::move(*shown)); });
    });
}

void COpenCacheDlg::StopSearch()
{
    if (!m_searching)
        return;
    *m_stopWanted = true;
    m_searching = false;
    m_status->SetLabel(_("The search was stopped"));
    m_stop->Disable();
}

void COpenCacheDlg::ShowProgress(const discovery::Progress& progress)
{
    if (!m_searching)
        return;
    m_gauge->SetRange(static_cast<int>(std::max<size_t>(progress.total, 1)));
    m_gauge->SetValue(static_cast<int>(std::min(progress.done, progress.total)));
    m_status->SetLabel(
        wxString::Format(_("Searching %zu of %zu: %s"), progress.done + 1, progress.total, FromPath(progress.current)));
}

void COpenCacheDlg::ShowFound(discovery::Discovery found)
{
    m_searching = false;
    m_caches = std::move(found.caches);
    for (size_t i = 0; i < m_caches.size(); ++i) {
        const discovery::FoundCache& cache = m_caches[i];
        const long row = m_list->InsertItem(static_cast<long>(i), KindText(cache.kind));
        m_list->SetItem(row, 1, wxString::FromUTF8(cache.name));
        m_list->SetItem(row, 2, wxString::FromUTF8(cache.user));
        m_list->SetItem(row, 3, FromPath(cache.path));
        m_list->SetItem(row, 4, wxString::Format("%llu", static_cast<unsigned long long>(cache.entries)));
        m_list->SetItem(row, 5, ByteSize(cache.bytes));
    }
    const wxString count = wxString::Format(wxPLURAL("%zu cache found", "%zu caches found", m_caches.size()),
                                            m_caches.size());
    m_status->SetLabel(found.cancelled ? wxString::Format(_("%s before the search was stopped"), count) : count);
    m_gauge->SetValue(m_gauge->GetRange());
    m_stop->Disable();
    // The first row is picked, so that Enter opens it; a path typed meanwhile stays.
    if (!m_caches.empty() && m_path->IsEmpty()) {
        m_list->SetItemState(0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
}

void COpenCacheDlg::OnRowSelected(wxListEvent& event)
{
    const long row = event.GetIndex();
    if (row < 0 || static_cast<size_t>(row) >= m_caches.size())
        return;
    m_path->ChangeValue(FromPath(m_caches[static_cast<size_t>(row)].path));
    m_pickedRow = row;
}

void COpenCacheDlg::OnBrowse()
{
    wxMenu menu;
    menu.Append(kMenuFolder, _("A &Folder: Wine Prefix, User Profile or Drive..."));
    menu.Append(kMenuFile, _("A Container &File..."));
    wxWindow* button = FindWindow(IDC_OPEN_BROWSE);
    const int chosen = button->GetPopupMenuSelectionFromUser(menu, wxPoint(0, button->GetSize().y));
    std::optional<fs::path> path;
    if (chosen == kMenuFolder) {
        path = m_prompts.ChooseFolder(this, _("Choose a Wine prefix, a user profile or a drive"),
                                      m_path->GetValue().utf8_string());
    } else if (chosen == kMenuFile) {
        wxFileDialog dialog(this, _("Choose a container file"), wxString(), wxString(),
                            _("Container files (*.dat)|*.dat|All files|*"), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        listview::FitNativeDialog(dialog);
        if (dialog.ShowModal() == wxID_OK)
            path = fs::path(dialog.GetPath().utf8_string());
    }
    if (!path)
        return;
    m_path->SetValue(FromPath(*path));
    m_path->SetFocus();
}

void COpenCacheDlg::OnOpen()
{
    if (m_path->GetValue().Strip(wxString::both).empty()) {
        m_prompts.MessageBox(this, _("Choose a cache from the list, or name its folder or file."), wxString(),
                             wxOK | wxICON_INFORMATION);
        return;
    }
    StopSearch();
    EndModal(wxID_OK);
}

fs::path COpenCacheDlg::ChosenPath() const
{
    return ExpandUserPath(m_path->GetValue().Strip(wxString::both).utf8_string(), wxGetHomeDir().utf8_string());
}

fs::path ExpandUserPath(const std::string& typed, const fs::path& home)
{
    // "~" and "~/..." are the user's home, as a shell reads them; any other
    // relative path is taken from the home folder too, not from wherever
    // the program happened to be started.
    if (typed == "~")
        return home;
    if (typed.starts_with("~/"))
        return home / typed.substr(2);
    const fs::path path(typed);
    return path.is_absolute() ? path : home / path;
}

wxString COpenCacheDlg::ChosenName() const
{
    return m_pickedRow >= 0 ? wxString::FromUTF8(m_caches[static_cast<size_t>(m_pickedRow)].name) : wxString();
}

bool COpenCacheDlg::IsReadOnly() const
{
    return m_readOnly->GetValue();
}

}  // namespace trovana::app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/open_image_dlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "cached_files.h"
#include "app/search_dialog_parts.h"

namespace trovana::app {

namespace {
namespace fs = std::filesystem;

constexpr ListColumn kColumns[] = {
    {wxTRANSLATE("Volume"), 120, wxLIST_FORMAT_LEFT},    {wxTRANSLATE("Snapshot"), 80, wxLIST_FORMAT_LEFT},
    {wxTRANSLATE("User"), 90, wxLIST_FORMAT_LEFT},       {wxTRANSLATE("Profile"), 170, wxLIST_FORMAT_LEFT},
    {wxTRANSLATE("Kind"), 70, wxLIST_FORMAT_LEFT},       {wxTRANSLATE("Containers"), 75, wxLIST_FORMAT_RIGHT},
    {wxTRANSLATE("Entries"), 65, wxLIST_FORMAT_RIGHT},   {wxTRANSLATE("Deleted"), 150, wxLIST_FORMAT_LEFT},
};
// The parts of a volume the search reads, as the image layer names them.
constexpr const char* kParts[] = {wxTRANSLATE("profiles"), wxTRANSLATE("deleted files")};
const wxSize kStartSize{760, 460};
const wxSize kSmallestSize{420, 300};
constexpr int kBorder = 8;
constexpr int kGaugeRange = 1000;
constexpr int kProblemLines = 3;

wxString FromUtf8(const std::string& text)
{
    return wxString::FromUTF8(text);
}

wxString PartText(const std::string& part)
{
    for (const char* known : kParts) {
        if (part == known)
            return wxGetTranslation(known);
    }
    return FromUtf8(part);
}
}  // namespace

wxString DeletedText(const image::ImageCache& cache)
{
    if (!cache.deleted)
        return wxString();
    return cache.mayBeOverwritten ? _("deleted, may be overwritten") : _("deleted");
}

COpenImageDlg::COpenImageDlg(wxWindow* parent, listview::Prompts& prompts, fs::path image, fs::path workFolder)
    : wxDialog(parent, wxID_ANY, _("Caches in the Image"), wxDefaultPosition, kStartSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_prompts(prompts)
{
    m_choice.image = std::move(image);
    MakeControls();
    PlaceCacheDialog(*this, kSmallestSize, kStartSize);
    StartSearch(std::move(workFolder));
}

COpenImageDlg::~COpenImageDlg()
{
    m_worker.Stop();
}

void COpenImageDlg::MakeControls()
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                wxString::Format(_("&Caches in %s (read-only, nothing is written to it):"),
                                                 FromUtf8(m_choice.image.filename().string()))),
               0, wxLEFT | wxRIGHT | wxTOP, kBorder);
    m_list = MakeCacheList(*this, IDC_IMAGE_CACHES, kColumns, std::size(kColumns));
    sizer->Add(m_list, 1, wxEXPAND | wxALL, kBorder);

    // The problems of the image, each once; shown when there is one.
    m_problemText = new wxTextCtrl(this, IDC_IMAGE_PROBLEMS, wxString(), wxDefaultPosition,
                                   wxSize(-1, GetCharHeight() * (kProblemLines + 1)),
                                   wxTE_MULTILINE | wxTE_READONLY);
    m_problemText->Hide();
    sizer->Add(m_problemText, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kBorder);

    SearchProgress parts;
    wxSizer* progress = MakeSearchProgress(*this, _("Opening the image..."), kGaugeRange, IDC_IMAGE_STOP, parts);
    m_status = parts.status;
    m_gauge = parts.gauge;
    m_stop = parts.stop;
    sizer->Add(progress, 0, wxEXPAND | wxLEFT | wxRIGHT, kBorder);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, IDC_IMAGE_OPEN_ALL, _("Open &All of Its Volume")), 0, wxALIGN_CENTER_VERTICAL);
    buttons->AddStretchSpacer();
    auto* open = new wxButton(this, wxID_OK, _("&Open"));
    buttons->Add(open, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kBorder);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("Cancel")), 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(buttons, 0, wxEXPAND | wxALL, kBorder);
    SetSizer(sizer);
    open->SetDefault();

    m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { Open(false); });
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Open(false); }, wxID_OK);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Open(true); }, IDC_IMAGE_OPEN_ALL);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { StopSearch(); }, IDC_IMAGE_STOP);
    // Cancel, Escape and the close box end the search at once.
    StopWorkerOnCancel(*this, m_worker);
    m_list->SetFocus();
}

void COpenImageDlg::StartSearch(fs::path workFolder)
{
    m_searching = true;
    m_worker.Run(
        [this, stopWanted = m_stopWanted, path = m_choice.image,
         workFolder = std::move(workFolder)](const listview::CWindowWorker::Channel& channel) {
            // Opening reads the image's headers and partition table, which
            // may take long on a slow disk: off the window's thread too.
            image::DiskImage disk(path, workFolder);
            const ImageFacts facts{disk.File().format, disk.File().storedHashes};
            channel.Post([this, facts] { ShowFacts(facts); });
            image::ScanCallbacks callbacks;
            callbacks.found = [&](const image::ImageCache& cache) {
                const image::ImageVolume& volume = disk.Volumes()[cache.volume];
                const ImageCacheRow row{cache, volume.VolumeText(), volume.SnapshotText(), volume,
                                        disk.Location(cache)};
                channel.Post([this, row] { AddRow(row); });
            };
            callbacks.progress = [&](const image::ScanProgress& step) {
                channel.Post([this, step] { ShowProgress(step); });
            };
            callbacks.problem = [&](const std::string& problem) {
                channel.Post([this, problem] { AddProblem(problem); });
            };
            callbacks.cancelled = [&] { return channel.StopRequested() || stopWanted->load(); };
            const bool complete = disk.Scan(callbacks);
            channel.Post([this, complete] { ShowEnd(complete); });
        },
        [this](std::exception_ptr failure) {
            // The image cannot be opened, or its reading broke off: said
            // once, with what was listed until then kept.
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& error) {
                AddProblem(error.what());
            } catch (...) {
                AddProblem("the image cannot be read");
            }
            ShowEnd(false);
        });
}

void COpenImageDlg::ShowFacts(const ImageFacts& facts)
{
    m_choice.format = facts.format;
    m_choice.storedHashes = facts.storedHashes;
}

void COpenImageDlg::ShowProgress(const image::ScanProgress& progress)
{
    if (!m_searching)
        return;
    m_gauge->SetValue(static_cast<int>(std::clamp(progress.fraction, 0.0, 1.0) * kGaugeRange));
    m_status->SetLabel(wxString::Format(_("Reading %s: %s"), FromUtf8(progress.volume),
                                        PartText(progress.part)));
}

void COpenImageDlg::AddRow(const ImageCacheRow& row)
{
    m_rows.push_back(row);
    const image::ImageCache& cache = row.cache;
    const long index = m_list->InsertItem(m_list->GetItemCount(), FromUtf8(row.volume));
    m_list->SetItem(index, 1, row.snapshot == "live" ? _("live") : FromUtf8(row.snapshot));
    m_list->SetItem(index, 2, FromUtf8(cache.user));
    m_list->SetItem(index, 3, FromUtf8(cache.profile));
    m_list->SetItem(index, 4, FromUtf8(cache.kind));
    m_list->SetItem(index, 5, wxString::Format("%zu", cache.files.size()));
    m_list->SetItem(index, 6, wxString::Format("%llu", static_cast<unsigned long long>(cache.entries)));
    m_list->SetItem(index, 7, DeletedText(cache));
    // The first row is picked, so that Enter opens it.
    if (SelectedRow() < 0)
        m_list->SetItemState(index, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
}

void COpenImageDlg::AddProblem(const std::string& problem)
{
    if (!m_problemsSaid.insert(problem).second)
        return;
    m_problems.push_back(problem);
    m_problemText->AppendText((m_problems.size() > 1 ? "\n" : "") + FromUtf8(problem));
    // The first problem stays in view; the others are a scroll away.
    m_problemText->ShowPosition(0);
    if (!m_problemText->IsShown()) {
        m_problemText->Show();
        Layout();
    }
}

void COpenImageDlg::ShowEnd(bool complete)
{
    if (!m_searching)
        return;
    m_searching = false;
    const wxString count =
        wxString::Format(wxPLURAL("%zu cache found", "%zu caches found", m_rows.size()), m_rows.size());
    m_status->SetLabel(complete ? count : wxString::Format(_("%s before the search was stopped"), count));
    m_gauge->SetValue(kGaugeRange);
    m_stop->Disable();
}

void COpenImageDlg::StopSearch()
{
    if (!m_searching)
        return;
    *m_stopWanted = true;
    // What the search still posts is no longer wanted.
    m_worker.Stop();
    ShowEnd(false);
}

long COpenImageDlg::SelectedRow() const
{
    return m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void COpenImageDlg::Open(bool wholeVolume)
{
    if (m_copying)
        return;
    const long selected = SelectedRow();
    if (selected < 0 || static_cast<size_t>(selected) >= m_rows.size()) {
        m_prompts.MessageBox(this, _("Choose a cache from the list."), wxString(), wxOK | wxICON_INFORMATION);
        return;
    }
    const ImageCacheRow& chosen = m_rows[static_cast<size_t>(selected)];
    m_choice.caches.clear();
    for (const ImageCacheRow& row : m_rows) {
        if (wholeVolume ? row.cache.volume == chosen.cache.volume : &row == &chosen)
            m_choice.caches.push_back(row);
    }
    StopSearch();
    CopyCachedFiles();
}

void COpenImageDlg::CopyCachedFiles()
{
    m_copying = true;
    for (const int id : {static_cast<int>(wxID_OK), IDC_IMAGE_OPEN_ALL})
        FindWindow(id)->Disable();
    m_status->SetLabel(_("Copying the cached files..."));
    m_gauge->Pulse();
    m_worker.Run(
        [this, image = m_choice.image, caches = m_choice.caches](const listview::CWindowWorker::Channel& channel) {
            for (const ImageCacheRow& row : caches) {
                if (channel.StopRequested())
                    return;
                channel.Post([this, profile = row.cache.profile] { ShowCopying(profile); });
                image::CopyCachedFiles(image, row.imageVolume, row.cache);
            }
            channel.Post([this] { EndModal(wxID_OK); });
        },
        [this](std::exception_ptr failure) {
            // The caches open without their files; the user is told why.
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& error) {
                m_choice.problems.push_back(error.what());
            } catch (...) {
                m_choice.problems.push_back("the cached files cannot be copied");
            }
            EndModal(wxID_OK);
        });
}

void COpenImageDlg::ShowCopying(const std::string& path)
{
    m_gauge->Pulse();
    m_status->SetLabel(wxString::Format(_("Copying %s"), FromUtf8(path)));
}

}  // namespace trovana::app

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's disk images: File > Open Image..., an image named on the
// command line, in Open Cache... or in the recent caches. The caches the
// user picks in the image's chooser open read-only, from their copies in
// the program's private folder; the title names the image and the path
// inside it.
#include <wx/menu.h>
#include <wx/translation.h>

#include "app/main_frame.h"
#include "app/named_cache.h"
#include "app/image_provenance.h"
#include "app/open_image_dlg.h"
#include "app/resource.h"
#include "image_file.h"
#include "listview/cache_list_view.h"
#include "work_folder.h"

namespace trovana::app {

namespace {
namespace fs = std::filesystem;

constexpr const char* kImageWildcard = wxTRANSLATE(
    "Disk images (*.E01, *.raw, *.dd, *.img, *.001, *.vmdk, *.vhd, *.vhdx, *.qcow2)|"
    "*.E01;*.e01;*.raw;*.dd;*.img;*.001;*.vmdk;*.vhd;*.vhdx;*.qcow2|All files|*");

wxString FromUtf8(const std::string& text)
{
    return wxString::FromUTF8(text);
}

// "disk.E01: Users/anna", with the snapshot when it is not the live volume.
wxString CacheName(const fs::path& image, const ImageCacheRow& row)
{
    wxString name = LastPart(image) + ": " + FromUtf8(row.cache.profile);
    if (row.snapshot != "live")
        name += ", " + FromUtf8(row.snapshot);
    if (row.cache.deleted)
        name += " (" + DeletedText(row.cache) + ")";
    return name;
}

// The caches chosen as one: their containers and databases side by side.
NamedCache ChosenCache(const ImageChoice& choice)
{
    NamedCache named;
    named.location.readOnly = true;
    named.readOnlyAsked = true;
    named.evidence = true;
    for (const ImageCacheRow& row : choice.caches) {
        const urlcache::CacheLocation& location = row.location;
        named.location.containers.insert(named.location.containers.end(), location.containers.begin(),
                                         location.containers.end());
        named.location.webCaches.insert(named.location.webCaches.end(), location.webCaches.begin(),
                                        location.webCaches.end());
    }
    if (choice.caches.size() == 1) {
        named.name = CacheName(choice.image, choice.caches.front());
    } else if (!choice.caches.empty()) {
        const ImageCacheRow& first = choice.caches.front();
        named.name = LastPart(choice.image) + ": " + FromUtf8(first.volume) + ", " + FromUtf8(first.snapshot);
    }
    return named;
}

// A folder of its own for each image opened: caches shown from an earlier
// one keep their copies.
fs::path NewImageFolder()
{
    static int opened = 0;
    std::error_code error;
    const fs::path temporary = PrivateTemporaryFolder(error);
    if (temporary.empty())
        throw WorkFolderError("no private temporary folder to copy the image's caches to", error);
    return temporary / ("image-" + std::to_string(++opened));
}
}  // namespace

bool IsDiskImage(const fs::path& path)
{
    return image::LooksLikeDiskImage(path);
}

void CMainFrame::AddImageMenu(wxMenu& file, size_t position)
{
    file.Insert(position, ID_FILE_OPEN_IMAGE, _("Open &Image...\tCtrl+Shift+O"),
                wxGetTranslation(PROMPT_OPEN_IMAGE));
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnOpenImage(); }, ID_FILE_OPEN_IMAGE);
}

void CMainFrame::OnOpenImage()
{
    const std::optional<fs::path> path =
        UserPrompts().ChooseOpenFile(this, _("Open Disk Image"), wxGetTranslation(kImageWildcard));
    if (path)
        OpenImage(*path);
}

bool CMainFrame::OpenImage(const fs::path& path)
{
    const fs::path image = fs::absolute(path);
    COpenImageDlg dialog(this, UserPrompts(), image, NewImageFolder());
    if (dialog.ShowModal() != wxID_OK || dialog.Choice().caches.empty())
        return false;
    NamedCache chosen = ChosenCache(dialog.Choice());
    ShowCache(std::move(chosen), [caches = dialog.Choice().caches](const std::string& problem) {
        std::string text = problem;
        for (const ImageCacheRow& row : caches)
            text = image::InImagePaths(row.cache, std::move(text));
        return text;
    });
    m_openImage = dialog.Choice();
    GetListView()->SetEntrySource(
        [choice = *m_openImage](const urlcache::CacheEntryInfo& entry) { return ImageProvenance(choice, entry); });
    if (!m_openImage->problems.empty())
        UserPrompts().ShowProblems(this, _("Some cached files could not be copied out of the image:"),
                                   m_openImage->problems);
    // The recent list keeps the image, which opens its chooser again.
    AddRecentCache(image, LastPart(image), true);
    return true;
}

}  // namespace trovana::app

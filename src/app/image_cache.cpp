// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/image_cache.h"

#include <exception>
#include <string>
#include <vector>

#include <wx/translation.h>

#include "disk_image.h"
#include "work_folder.h"

namespace trovana::app {

namespace {

namespace fs = std::filesystem;

constexpr int kProgressSteps = 100;

// One line of the pick: number, volume, snapshot, user, kind, size, state.
wxString ChoiceText(const image::DiskImage& disk, const image::ImageCache& cache)
{
    const image::ImageVolume& volume = disk.Volumes().at(cache.volume);
    wxString text = wxString::Format("%d. %s, %s: %s", cache.number, wxString::FromUTF8(volume.VolumeText()),
                                     wxString::FromUTF8(volume.SnapshotText()),
                                     wxString::FromUTF8(cache.user.empty() ? cache.profile : cache.user));
    text += wxString::Format(_(", %s, %zu containers, %llu entries"), wxString::FromUTF8(cache.kind),
                             cache.files.size(), static_cast<unsigned long long>(cache.entries));
    if (cache.deleted)
        text += cache.mayBeOverwritten ? _(", deleted (may be overwritten)") : _(", deleted");
    return text;
}

// A folder of its own in the private temporary folder for each image opened.
fs::path CopyFolder()
{
    static int opened = 0;
    return WorkingFolder() / ("image-" + std::to_string(++opened));
}

}  // namespace

std::optional<NamedCache> FindImageCache(listview::Prompts& prompts, wxWindow* parent, const fs::path& image)
{
    try {
        image::DiskImage disk(fs::absolute(image), CopyFolder());
        std::vector<std::string> problems;
        bool cancelled = false;
        {
            const auto progress = prompts.StartProgress(parent, _("Reading the Disk Image..."), kProgressSteps);
            image::ScanCallbacks callbacks;
            callbacks.problem = [&](const std::string& problem) { problems.push_back(problem); };
            callbacks.progress = [&](const image::ScanProgress& step) {
                if (progress && !progress->Update(static_cast<int>(step.fraction * (kProgressSteps - 1))))
                    cancelled = true;
            };
            callbacks.cancelled = [&] { return cancelled; };
            disk.Scan(callbacks);
        }
        if (cancelled)
            return std::nullopt;
        if (!problems.empty())
            prompts.ShowProblems(parent, _("Parts of the disk image cannot be read:"), problems);
        if (disk.Caches().empty()) {
            prompts.MessageBox(parent,
                               _("No cache was found in the disk image:") + "\n\n" + wxString::FromUTF8(image.string()),
                               wxString(), wxOK | wxICON_EXCLAMATION);
            return std::nullopt;
        }
        std::vector<wxString> items;
        for (const image::ImageCache& cache : disk.Caches())
            items.push_back(ChoiceText(disk, cache));
        const std::optional<size_t> chosen = prompts.ChooseOne(
            parent, _("Which cache of the disk image is to be opened?") + "\n" + wxString::FromUTF8(image.string()),
            _("Choose a Cache"), items);
        if (!chosen)
            return std::nullopt;
        const image::ImageCache& cache = disk.Caches()[*chosen];
        disk.CopyCachedFiles(cache);
        NamedCache named{disk.Location(cache),
                         LastPart(image) + ": " + wxString::FromUTF8(cache.user.empty() ? cache.profile : cache.user),
                         image};
        named.evidence = true;
        return named;
    } catch (const std::exception& error) {
        prompts.MessageBox(parent, _("The disk image cannot be read:") + "\n\n" + wxString::FromUTF8(error.what()),
                           wxString(), wxOK | wxICON_EXCLAMATION);
        return std::nullopt;
    }
}

}  // namespace trovana::app

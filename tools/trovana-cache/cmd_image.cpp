// SPDX-License-Identifier: GPL-3.0-or-later
// A disk image's caches: found, listed, and their entries given, read-only.
#include <set>
#include <sstream>

#include "commands.h"
#include "disk_image.h"
#include "work_folder.h"

namespace trovana::cli {

namespace {

namespace fs = std::filesystem;
using image::DiskImage;
using image::ImageCache;
using image::ImageVolume;

const std::vector<std::string> kTableColumns = {"number",     "volume",  "snapshot", "user",   "kind",
                                                "containers", "entries", "deleted",  "profile"};

std::string DeletedText(const ImageCache& cache)
{
    if (!cache.deleted) {
        return "no";
    }
    return cache.mayBeOverwritten ? "yes, may be overwritten" : "yes";
}

// The image's own hashes (EWF stores them), empty when it has none.
void AppendStoredHashes(ExportRow& row, const DiskImage& disk)
{
    std::string md5;
    std::string sha1;
    for (const image::StoredHash& hash : disk.File().storedHashes) {
        (hash.algorithm == "MD5" ? md5 : sha1) = hash.hex;
    }
    row.push_back({"image_stored_md5", md5});
    row.push_back({"image_stored_sha1", sha1});
}

ExportRow CacheRow(const DiskImage& disk, const ImageCache& cache)
{
    static const ImageVolume kNoVolume = {};
    const ImageVolume& volume = cache.volume < disk.Volumes().size() ? disk.Volumes()[cache.volume] : kNoVolume;
    std::string paths;
    std::string entries;
    for (const image::CacheFile& file : cache.files) {
        paths += (paths.empty() ? "" : ";") + file.path;
        entries += (entries.empty() ? "" : ";") + std::to_string(file.mftEntry);
    }
    ExportRow row = {
        {"number", static_cast<uint64_t>(cache.number)},
        {"image", disk.Path().string()},
        {"format", disk.File().format},
        {"volume", volume.VolumeText()},
        {"partition", static_cast<uint64_t>(volume.partition.index)},
        {"offset", volume.partition.offset},
        {"snapshot", volume.SnapshotText()},
        {"user", cache.user},
        {"sid", cache.sid},
        {"profile", cache.profile},
        {"kind", cache.kind},
        {"containers", static_cast<uint64_t>(cache.files.size())},
        {"entries", cache.entries},
        {"deleted", DeletedText(cache)},
        {"paths", paths},
        {"mft_entries", entries},
        {"time_zone", volume.timeZone},
    };
    AppendStoredHashes(row, disk);
    return row;
}

// The path inside the image of a file copied from a profile (empty for one
// outside the copy).
std::string ImagePathOf(const ImageCache& cache, const fs::path& copied)
{
    const fs::path relative = copied.lexically_relative(cache.copy);
    if (relative.empty() || *relative.begin() == "..") {
        return {};
    }
    return (fs::path(cache.profile) / relative).generic_string();
}

// The file of the cache that was copied to `indexFile`.
const image::CacheFile* ImageFileOf(const ImageCache& cache, const fs::path& indexFile)
{
    if (cache.deleted) {
        return &cache.files.front();
    }
    // A WebCache database's entries come without index file: the profile's
    // database it is, when it has one.
    if (indexFile.empty()) {
        const image::CacheFile* database = nullptr;
        for (const image::CacheFile& file : cache.files) {
            if (file.path.find("/WebCache/") != std::string::npos) {
                database = database ? nullptr : &file;
            }
        }
        return database;
    }
    const std::string path = ImagePathOf(cache, indexFile);
    for (const image::CacheFile& file : cache.files) {
        if (file.path == path) {
            return &file;
        }
    }
    return nullptr;
}

// A cached file is named by its path inside the image: the copy of the
// profile holds the containers only.
void LocalFileInImage(ExportRow& row, const ImageCache& cache)
{
    for (ExportField& field : row) {
        const auto* local = std::get_if<std::string>(&field.value);
        if (field.name == "local" && local != nullptr && !cache.deleted) {
            field.value = ImagePathOf(cache, *local);
        }
    }
}

Listing ListCache(const std::string& command, const DiskImage& disk, const ImageCache& cache, ListOptions options,
                  Streams streams)
{
    const ImageVolume& volume = disk.Volumes()[cache.volume];
    const bool provenance = options.provenance;
    options.moreFields = [&](ExportRow& row, const fs::path& indexFile) {
        const image::CacheFile* file = ImageFileOf(cache, indexFile);
        LocalFileInImage(row, cache);
        const ExportRow named = {{"cache", static_cast<uint64_t>(cache.number)},
                                 {"image", disk.Path().string()},
                                 {"volume", volume.VolumeText()},
                                 {"snapshot", volume.SnapshotText()}};
        row.insert(row.end(), named.begin(), named.end());
        ExportField path{"image_path", {}};
        if (file) {
            path.value = file->path;
        }
        row.push_back(std::move(path));
        if (provenance) {
            ExportField entry{"mft_entry", {}};
            if (file) {
                entry.value = file->mftEntry;
            }
            row.push_back(std::move(entry));
            AppendStoredHashes(row, disk);
        }
    };
    urlcache::UrlCache opened(disk.Location(cache));
    // Warnings name the files inside the image, not their copies.
    std::ostringstream warnings;
    const Streams inner{streams.out, warnings};
    const Listing listing =
        command == "list" ? ListCommand(opened, options, inner) : TimelineCommand(opened, options, inner);
    ReportProblems(opened, warnings);
    streams.err << image::InImagePaths(cache, warnings.str());
    return listing;
}

}  // namespace

Listing ImageCommand(const std::string& command, const CacheChoice& choice, const std::string& cachesFormat,
                     ListOptions options, Streams streams)
{
    std::error_code error;
    const fs::path temporary = PrivateTemporaryFolder(error);
    if (temporary.empty()) {
        throw CommandError("no private temporary folder to copy the image's caches to: " + error.message());
    }
    DiskImage disk(choice.image, temporary / "image");
    std::set<std::string> said;
    Listing listing = Listing::Complete;
    image::ScanCallbacks callbacks;
    callbacks.problem = [&](const std::string& problem) {
        if (said.insert(problem).second) {
            listing = Listing::Incomplete;
            streams.err << "trovana-cache: warning: " << choice.image << ": " << problem << '\n';
        }
    };
    disk.Scan(callbacks);
    const std::vector<ImageCache>& caches = disk.Caches();
    if (choice.in > static_cast<int>(caches.size())) {
        throw CommandError("--in " + std::to_string(choice.in) + ": the image holds " + std::to_string(caches.size()) +
                           " caches (see caches)");
    }
    if (command == "caches") {
        std::vector<ExportRow> rows;
        for (const ImageCache& cache : caches) {
            rows.push_back(CacheRow(disk, cache));
        }
        if (cachesFormat == "text") {
            WriteTable(rows, kTableColumns, streams.out);
            return listing;
        }
        const ExportRow names = CacheRow(disk, ImageCache{});
        const auto writer = MakeExportWriter(cachesFormat == "csv" ? ExportFormat::Csv : ExportFormat::Jsonl,
                                             streams.out, ColumnNames(names));
        for (const ExportRow& row : rows) {
            writer->Write(row);
        }
        return listing;
    }
    std::unique_ptr<exporting::ExportWriter> writer;
    options.writer = &writer;
    for (const ImageCache& cache : caches) {
        if ((choice.in == 0 || cache.number == choice.in) &&
            ListCache(command, disk, cache, options, streams) == Listing::Incomplete) {
            listing = Listing::Incomplete;
        }
    }
    return listing;
}

}  // namespace trovana::cli

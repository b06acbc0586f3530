// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of trovana-cache. Each writes its results to `out` and throws
// CommandError (or UrlCacheError) for an error that ends it; Run() turns
// those into one line on standard error and exit status 1.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export_writer.h"
#include "urlcache.h"

namespace trovana::cli {

// Output rows and their writer are the window's export's (src/export).
using exporting::ColumnNames;
using exporting::EntryExportFields;
using exporting::ExportField;
using exporting::ExportFormat;
using exporting::ExportRow;
using exporting::ExportValue;
using exporting::MakeExportWriter;
using exporting::WithUtcTimes;

class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

// Which cache a command works on; at most one of the names is set, none
// means the current user's cache.
struct CacheChoice {
    std::string prefix;
    std::string profile;
    std::string container;
    std::string path;       // any kind: prefix, profile, drive root, container folder or file
    std::string image;      // a disk image, read-only: every cache in it
    int in = 0;             // with an image: the cache of this number (see caches), 0 for all
    bool readOnly = false;  // change nothing; deleting and adding are refused

    bool Named() const
    {
        return !prefix.empty() || !profile.empty() || !container.empty() || !path.empty() || !image.empty();
    }
};

// Opened read-only when asked, and also when the cache cannot be written:
// `whyReadOnly`, when given, then gets the reason.
urlcache::CacheLocation LocateCache(const CacheChoice& choice, std::string* whyReadOnly = nullptr);
// Throws CommandError, naming where it looked, when no container of the
// cache can be read: some refused, none exists (a folder without any cache,
// however it was named), or, with nothing named, not even a Wine prefix. A
// cache whose containers hold no entries is an empty cache, not an error.
void RequireReadableCache(urlcache::UrlCache& cache, const CacheChoice& choice);
// "error 5 (locked or in use)", with the library's own words after it when
// they say more.
std::string FailureText(const urlcache::CacheResult& result);
// The problems the cache met with its containers, as warnings; one that is
// the text of the error being reported is left to that error.
void ReportProblems(const urlcache::UrlCache& cache, std::ostream& err, std::string_view error = {});

struct ListOptions {
    ExportFormat format = ExportFormat::Jsonl;
    bool catalogue = false;  // add the catalogue's columns
    bool recovered = false;  // every record, with its state, not only the entries WinINet lists
    bool utcTimes = false;   // ISO 8601 UTC beside each FILETIME
    std::string sourceZone;  // the IANA zone daily and weekly history were recorded in; empty: SourceZone's default
    bool provenance = false; // the container's path and SHA-256 on every row
    // For the rows of several caches in one output (those of a disk image):
    // fields added to every row from the index file that holds its entry,
    // and the writer kept from one cache to the next (made at the first).
    std::function<void(ExportRow& row, const std::filesystem::path& indexFile)> moreFields = {};
    std::unique_ptr<exporting::ExportWriter>* writer = nullptr;

    bool WantsIndexFile() const { return provenance || static_cast<bool>(moreFields); }
    // The writer to use: the shared one when there is one, else `own`;
    // made with `columns` when it does not exist yet.
    exporting::ExportWriter& Writer(std::unique_ptr<exporting::ExportWriter>& own, std::ostream& out,
                                    const std::vector<std::string>& columns) const;
};
// Whether a listing holds every row, or damage (named on standard error)
// may have hidden some: the exit status says which.
enum class Listing { Complete, Incomplete };
inline constexpr int kExitIncomplete = 3;

Listing ListCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams);
// One entry, in the form list gives it; without a URL, one row for each
// container: its kind, index file path, size, SHA-256 and format (the
// file's signature, which names its version).
void InfoCommand(urlcache::UrlCache& cache, const std::string& url, ExportFormat format, Streams streams,
                 bool utcTimes = false, const std::string& sourceZone = {});
void DeleteCommand(urlcache::UrlCache& cache, const std::vector<std::string>& urls, Streams streams);

struct AddOptions {
    urlcache::NewCacheEntry entry;        // everything but the body and the header
    std::optional<std::string> bodyFile;  // none together with noFile
    bool noFile = false;
    std::optional<std::string> headerFile;
    std::optional<std::string> extension;  // none: the URL's own
    bool utcTimes = false;                 // print it with ISO 8601 UTC times
};
// The extension of the last segment of a URL's path, without the dot;
// empty when it has none.
std::string UrlExtension(std::string_view url);
void AddCommand(urlcache::UrlCache& cache, const AddOptions& options, ExportFormat format, Streams streams);

// One row per time of each entry, named as plaso's msiecf parser names them
// (times not set or absent are left out, those before 1970 kept; one that
// cannot be shown, after 9999 or no time at all, keeps its row with null
// datetime and timestamp and a description that gives its raw value), in
// the CSV or JSON lines that Timesketch imports: message, datetime,
// timestamp_desc, timestamp (microseconds since 1970, negative before),
// then the entry's own fields.
Listing TimelineCommand(urlcache::UrlCache& cache, const ListOptions& options, Streams streams);

void DemoCommand(const std::filesystem::path& directory, Streams streams);

// The caches found on this machine (see discovery.h), one line each, in
// `format`: text (a table), jsonl or csv.
void CachesCommand(const std::string& format, Streams streams);
// A table for people: the columns named, each as wide as its widest cell;
// the last column (a path) unpadded, so that long paths do not push the
// others apart.
void WriteTable(const std::vector<ExportRow>& records, const std::vector<std::string>& columns, std::ostream& out);

// A disk image's caches: `command` is "caches" (one row per cache, in
// `format`: text, jsonl or csv), "list" or "timeline" (the entries of
// every cache, or of the one `choice.in` names, each row naming the image,
// volume, snapshot and the container's path inside the image). Problems
// of the image are warnings on err, each once; with them, or damage in a
// cache listed, the listing is incomplete.
Listing ImageCommand(const std::string& command, const CacheChoice& choice, const std::string& cachesFormat,
                     ListOptions options, Streams streams);

// The whole program: parses the arguments (without the program name), runs
// the command and returns the exit status: 0 done, 1 error, 2 usage error,
// 3 (kExitIncomplete) a listing that damage left incomplete.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace trovana::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// The file of File > Export, written without any window: the rows given,
// as CSV, JSON lines or an HTML report. The file is written under a
// temporary name beside the target and takes the target's name only when
// every row is written, so that a failed or cancelled export leaves no
// partial file and never spoils a file it would have replaced.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "operations/export_target.h"
#include "record_survey.h"
#include "time_zone.h"
#include "urlcache.h"

namespace trovana::operations {

// The rows to write, in order. Each row gives its entry, looked up in the
// cache the file is written from (null when the cache no longer has it),
// and, from the Recovered view, its record (where it lies, its state), else
// leaves surveyed null. The rows own what they give, so that they may be
// written on any thread.
struct ExportRows {
    size_t count = 0;
    std::function<std::unique_ptr<urlcache::CacheEntryInfo>(urlcache::UrlCache& cache, size_t index,
                                                            const urlcache::SurveyedRecord*& surveyed)>
        row;
};

struct ExportTotals {
    size_t written = 0;
    size_t missing = 0;  // rows whose entry the cache no longer has
    bool cancelled = false;
};

// Called about a hundred times with the count of rows done; false cancels
// the export, and no file is written.
using ExportProgress = std::function<bool(size_t done)>;

// Writes the rows of the cache to the target, after a header that names
// the tool, the time, the source zone (in which daily and weekly history
// are read) and each container's digest. Throws
// std::filesystem::filesystem_error when the file cannot be written; the
// target is unchanged then.
ExportTotals WriteExportFile(urlcache::UrlCache& cache, const ExportTarget& target, const ExportRows& rows,
                             const TimeZone& sourceZone, const ExportProgress& progress = {});

}  // namespace trovana::operations

// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/export_file.h"

#include <algorithm>
#include <sstream>

#include "export_header.h"
#include "export_writer.h"
#include "write_file.h"

namespace trovana::operations {

namespace {
// The text of the rows is passed to the file in pieces of about this size.
constexpr size_t kWriteChunk = 1 << 20;
}  // namespace

ExportTotals WriteExportFile(urlcache::UrlCache& cache, const ExportTarget& target, const ExportRows& rows,
                             const TimeZone& sourceZone, const ExportProgress& progress)
{
    ExportTotals totals;
    const urlcache::UrlCache::LookupBatch batch(cache);
    // Written under a temporary name; it takes the target's name only
    // when every byte reached the disk.
    fileio::ReplacingFile file(target.path);
    std::ostringstream out;
    const exporting::ExportHeader header = exporting::MakeExportHeader(cache.Location(), sourceZone);
    auto writer = exporting::MakeExportWriter(target.format, out, exporting::CatalogueExportColumns(),
                                              "Trovana export", &header);
    const auto pass = [&] {
        file.Write(out.view());
        out.str({});
    };
    const size_t step = std::max<size_t>(1, rows.count / 100);
    for (size_t i = 0; i < rows.count; ++i) {
        const urlcache::SurveyedRecord* surveyed = nullptr;
        const auto entry = rows.row(cache, i, surveyed);
        if (entry == nullptr) {
            ++totals.missing;
        } else {
            writer->Write(exporting::CatalogueExportRow(*entry, surveyed, &sourceZone));
            ++totals.written;
        }
        if (out.view().size() >= kWriteChunk)
            pass();
        const bool report = (i + 1) % step == 0 || i + 1 == rows.count;
        if (progress && report && !progress(i + 1)) {
            totals.cancelled = true;
            return totals;
        }
    }
    writer->Finish();
    pass();
    file.Commit();
    return totals;
}

}  // namespace trovana::operations

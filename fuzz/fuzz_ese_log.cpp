// SPDX-License-Identifier: GPL-3.0-or-later
// ESE transaction logs from the input: the whole file as a log (header,
// checksummed segments), its bytes after the first 4 KiB walked as record
// segments whatever their checksums, the rows those records leave, and the
// diffs of their replaces applied. Also the input as a 4 KiB page of the
// catalogue's table, its leftover records carved. Nothing may crash, loop
// or allocate without bound.
#include "catalogue.h"
#include "leftovers.h"
#include "log_file.h"
#include "log_rows.h"
#include "page.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana;
    const std::span<const uint8_t> bytes(data, size);
    eselog::LogSet set;
    set.files.push_back(eselog::ReadLogFile(bytes, "fuzz.log"));
    eselog::LogFile walked;
    walked.name = "walked.log";
    if (size > 4096)
        eselog::WalkSegments(bytes.subspan(4096), 1, 1, walked);
    for (const eselog::LogRecord& record : walked.records) {
        if (record.type == eselog::kReplaceDiff)
            (void)eselog::ApplyReplaceDiff(record, record.key);
    }
    set.files.push_back(std::move(walked));
    (void)eselog::FollowLogRows(set);

    std::string page(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4096));
    page.resize(4096, '\0');
    const ese::Page parsed(page, 1, ese::PageGeometry{4096});
    (void)eserecovery::PageLeftovers(ese::CatalogueTable(), parsed, false);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the input as a container's index.dat, lists it and looks up and
// reads every entry it lists, then surveys every record it holds: the live
// ones must be the listed ones, in the same order.
#include "fuzz_support.h"
#include "record_survey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::urlcache;
    static fuzz::ScratchFolder folder;
    UrlCache cache(folder.Load(data, size));
    const std::vector<std::string> listed = fuzz::ReadEverything(cache);
    RecordSurvey survey(cache.Location());
    size_t live = 0;
    while (const auto record = survey.Next()) {
        if (record->state != RecordState::Live)
            continue;
        fuzz::Require(live < listed.size() && listed[live] == record->entry.sourceUrlName,
                      "the survey's live records differ from the listing at " + std::to_string(live));
        ++live;
    }
    fuzz::Require(live == listed.size(), "the survey has fewer live records than the listing");
    return 0;
}

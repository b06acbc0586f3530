// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the input as a WebCache database (read only), lists it, looks up
// every entry it lists and surveys its leaked files; a file that cannot be read must say so in the
// cache's problems, never crash.
#include "fuzz_support.h"
#include "locate.h"
#include "record_survey.h"

#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::urlcache;
    static fuzz::ScratchFolder folder;
    const std::filesystem::path database = folder.Path() / "WebCacheV01.dat";
    {
        std::ofstream file(database, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CacheLocation location;
    try {
        location = LocateSingleContainer(database);
    } catch (const UrlCacheError&) {
        return 0;  // no ESE signature: refused before reading
    }
    // An index.dat signature is an index.dat container: fuzz_read covers it.
    if (!location.containers.empty())
        return 0;
    fuzz::Require(location.webCaches.size() == 1, "an ESE file was not taken as a WebCache database");
    location.readOnly = true;
    UrlCache cache(location);
    fuzz::ReadEverything(cache);
    fuzz::Require(cache.ReadableContainers() > 0 || !cache.Problems().empty(),
                  "an unreadable database was not reported");
    // Its leaked files too, as the Recovered view surveys them.
    RecordSurvey survey(location);
    while (survey.Next()) {
    }
    return 0;
}

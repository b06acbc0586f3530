// Opens the input as a container's index.dat, lists it and looks up and
// reads every entry it lists.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace trovana::urlcache;
    static fuzz::ScratchFolder folder;
    UrlCache cache(folder.Load(data, size));
    fuzz::ReadEverything(cache);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "libyal_library.h"

#include <map>
#include <mutex>

namespace trovana::image {

void* LibyalLibrary(const char* soname)
{
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;
    const std::lock_guard lock(mutex);
    void*& library = loaded[soname];
    if (library == nullptr) {
#ifdef TROVANA_SANITIZED
        // AddressSanitizer refuses RTLD_DEEPBIND (its allocator would be
        // bypassed): there the libraries share the first copies loaded, as
        // when linked, which EWF images do not survive.
        library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
#else
        library = dlopen(soname, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
#endif
        if (library == nullptr) {
            const char* why = dlerror();
            throw ImageError(std::string(soname) + " cannot be loaded: " + (why ? why : "unknown error"));
        }
    }
    return library;
}

}  // namespace trovana::image

// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a libyal library (libewf, libvmdk, libvhdi, libqcow, libfsntfs,
// libvshadow) on its own. Debian builds each with private copies of
// libcdata, libbfio and the like whose symbols it exports; linked into one
// program, the calls of one library would reach another's copies (libewf's
// handles freed by libesedb's libcdata, say) and corrupt memory. Opened
// with RTLD_DEEPBIND, each library's calls stay inside its own copies.
#pragma once

#include "byte_source.h"

#include <dlfcn.h>

#include <string>

namespace trovana::image {

// The library loaded once for the process; throws ImageError naming it
// when it cannot be loaded.
void* LibyalLibrary(const char* soname);

// Sets `function` to the library's function `name`; throws ImageError when
// the library has none.
template <typename Function>
void BindFunction(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr) {
        throw ImageError(std::string("the library function ") + name + " is missing");
    }
}

// Binds the member of `table` named like the library function.
#define TROVANA_BIND(library, table, name) ::trovana::image::BindFunction(library, #name, (table).name)

}  // namespace trovana::image

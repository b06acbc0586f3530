// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/toolkit_start.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <glib.h>

namespace trovana::listview {

namespace {
bool g_bToolkitWithoutGl = false;
}  // namespace

ScopedVariable::ScopedVariable(const char* name, const char* value, bool wanted)
    : m_name(name), m_bSet(wanted && std::getenv(name) == nullptr && ::setenv(name, value, 0) == 0)
{
}

ScopedVariable::~ScopedVariable()
{
    if (m_bSet)
        ::unsetenv(m_name);
}

ToolkitStartWithoutGl::ToolkitStartWithoutGl() : ScopedVariable("GDK_GL", "disable")
{
    g_bToolkitWithoutGl = IsSet();
}

BrowserWithoutGl::BrowserWithoutGl() : ScopedVariable("WEBKIT_DISABLE_COMPOSITING_MODE", "1", g_bToolkitWithoutGl) {}

void KeepToolkitDataIn(const std::filesystem::path& privateFolder)
{
    for (const auto& [name, folder] : {std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_CACHE_HOME", "cache"}}) {
        const char* old = std::getenv(name);
        const std::optional<std::string> saved = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv(name, (privateFolder / folder).c_str(), 1);
        // GLib keeps the first answer for the life of the process.
        if (name == std::string_view("XDG_DATA_HOME"))
            g_get_user_data_dir();
        else
            g_get_user_cache_dir();
        if (saved)
            ::setenv(name, saved->c_str(), 1);
        else
            ::unsetenv(name);
    }
}

}  // namespace trovana::listview

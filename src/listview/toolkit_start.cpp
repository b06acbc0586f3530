// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/toolkit_start.h"

#include <cstdlib>

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

}  // namespace trovana::listview

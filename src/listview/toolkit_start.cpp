#include "listview/toolkit_start.h"

#include <cstdlib>

namespace trovana::listview {

namespace {
constexpr const char* kGlSetting = "GDK_GL";
constexpr const char* kCompositingSetting = "WEBKIT_DISABLE_COMPOSITING_MODE";
bool g_bToolkitWithoutGl = false;

// Sets the variable unless it is set; true when it was set here.
bool SetUnlessSet(const char* name, const char* value)
{
    return std::getenv(name) == nullptr && ::setenv(name, value, 0) == 0;
}
}  // namespace

ToolkitStartWithoutGl::ToolkitStartWithoutGl() : m_bSet(SetUnlessSet(kGlSetting, "disable"))
{
    g_bToolkitWithoutGl = m_bSet;
}

ToolkitStartWithoutGl::~ToolkitStartWithoutGl()
{
    if (m_bSet)
        ::unsetenv(kGlSetting);
}

BrowserWithoutGl::BrowserWithoutGl() : m_bSet(g_bToolkitWithoutGl && SetUnlessSet(kCompositingSetting, "1")) {}

BrowserWithoutGl::~BrowserWithoutGl()
{
    if (m_bSet)
        ::unsetenv(kCompositingSetting);
}

}  // namespace trovana::listview

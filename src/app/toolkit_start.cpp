#include "app/toolkit_start.h"

#include <cstdlib>

namespace trovana::app {

namespace {
constexpr const char* kGlSetting = "GDK_GL";
}  // namespace

ToolkitStartWithoutGl::ToolkitStartWithoutGl()
{
    if (std::getenv(kGlSetting) == nullptr)
        m_bSet = ::setenv(kGlSetting, "disable", 0) == 0;
}

ToolkitStartWithoutGl::~ToolkitStartWithoutGl()
{
    if (m_bSet)
        ::unsetenv(kGlSetting);
}

}  // namespace trovana::app

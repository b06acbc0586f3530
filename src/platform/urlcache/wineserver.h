// Temporary stand-in until the environment helper's version lands.
#pragma once

#include <filesystem>

namespace trovana::urlcache {

// True while a wineserver serves that Wine prefix.
bool IsWineServerRunning(const std::filesystem::path& prefix);

}  // namespace trovana::urlcache

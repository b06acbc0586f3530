// Temporary stand-in until the environment helper's version lands.
#include "wineserver.h"

namespace trovana::urlcache {

bool IsWineServerRunning(const std::filesystem::path&)
{
    return false;
}

}  // namespace trovana::urlcache

// SPDX-License-Identifier: GPL-3.0-or-later
#include "work_folder.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace trovana {

namespace {
namespace fs = std::filesystem;

constexpr fs::perms kPrivate = fs::perms::owner_all;

std::error_code LastError()
{
    return {errno, std::generic_category()};
}

// Makes the folder (its parents as usual, itself for its owner only) and
// checks that files can be made in it; a folder that is there already is
// made private when it is not.
std::error_code MakePrivateFolder(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return LastError();
    if (!fs::is_directory(folder, error))
        return error ? error : std::make_error_code(std::errc::not_a_directory);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return LastError();
    if ((fs::status(folder, error).permissions() & fs::perms::all) != kPrivate)
        fs::permissions(folder, kPrivate, error);
    return {};
}

// The folder named by the environment, or why there is none.
fs::path CacheHomeFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
        return fs::path(cache) / "trovana";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".cache" / "trovana";
    return {};
}

// The temporary folder of this process, removed with the program.
class TemporaryFolder {
public:
    ~TemporaryFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }

    // The folder made before when it is still there, else a new one.
    fs::path Get(std::error_code& error)
    {
        if (!m_path.empty() && fs::is_directory(m_path, error))
            return m_path;
        std::string pattern = (TemporaryBase() / "trovana-XXXXXX").string();
        // mkdtemp makes the folder for its owner only.
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = LastError();
            return {};
        }
        m_path = pattern;
        return m_path;
    }

    static fs::path TemporaryBase()
    {
        if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp == '/')
            return tmp;
        return "/tmp";
    }

private:
    fs::path m_path;
};

std::string Describe(const fs::path& folder, std::error_code error)
{
    return folder.string() + " (" + error.message() + ")";
}
}  // namespace

WorkFolderError::WorkFolderError(const std::string& text, std::error_code cause)
    : std::filesystem::filesystem_error(text, cause), m_text(text)
{
}

fs::path PrivateTemporaryFolder(std::error_code& error)
{
    static TemporaryFolder temporary;
    return temporary.Get(error);
}

fs::path WorkingFolder()
{
    std::string tried;
    if (const fs::path folder = CacheHomeFolder(); folder.empty()) {
        tried = "neither XDG_CACHE_HOME nor HOME is set";
    } else if (const std::error_code error = MakePrivateFolder(folder); error) {
        tried = "the folder " + Describe(folder, error);
    } else {
        return folder;
    }
    std::error_code error;
    if (fs::path folder = PrivateTemporaryFolder(error); !folder.empty())
        return folder;
    throw WorkFolderError("No working folder can be made for the generated pages: " + tried +
                              ", nor a temporary folder in " + Describe(TemporaryFolder::TemporaryBase(), error) + ".",
                          error);
}

}  // namespace trovana

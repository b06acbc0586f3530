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

// The pages earlier versions wrote into the user's cache folder.
constexpr const char* kOldPages[] = {"temp.htm", "frame.htm", "left.htm", "right.htm"};

std::error_code LastError()
{
    return {errno, std::generic_category()};
}

// The user's cache folder for the program, or empty when the environment
// names none.
fs::path CacheHomeFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
        return fs::path(cache) / "trovana";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".cache" / "trovana";
    return {};
}

fs::path TemporaryBase()
{
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp == '/')
        return tmp;
    return "/tmp";
}

std::string Describe(const fs::path& folder, std::error_code error)
{
    return folder.string() + " (" + error.message() + ")";
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

    // The folder made before when it is still there, else a new one: in the
    // temporary folder, else in the user's cache folder.
    fs::path Get(std::error_code& error)
    {
        if (!m_path.empty() && fs::is_directory(m_path, error))
            return m_path;
        m_path.clear();
        m_tried.clear();
        if (MakeIn(TemporaryBase(), error))
            return m_path;
        if (const fs::path home = CacheHomeFolder(); home.empty()) {
            m_tried += ", and neither XDG_CACHE_HOME nor HOME is set";
        } else {
            std::error_code ignored;
            fs::create_directories(home, ignored);
            if (MakeIn(home, error))
                return m_path;
        }
        return {};
    }

    // The folders tried by the last Get that failed, and why each failed.
    const std::string& Tried() const { return m_tried; }

private:
    bool MakeIn(const fs::path& base, std::error_code& error)
    {
        std::string pattern = (base / "trovana-XXXXXX").string();
        // mkdtemp makes the folder for its owner only.
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = LastError();
            m_tried += (m_tried.empty() ? "" : ", nor in ") + Describe(base, error);
            return false;
        }
        error.clear();
        m_path = pattern;
        return true;
    }

    fs::path m_path;
    std::string m_tried;
};

TemporaryFolder& Temporary()
{
    static TemporaryFolder temporary;
    return temporary;
}

// Removes the pages an earlier version left in the user's cache folder:
// they named the sites last previewed.
void RemoveOldPages()
{
    const fs::path home = CacheHomeFolder();
    if (home.empty())
        return;
    for (const char* name : kOldPages) {
        std::error_code ignored;
        if (fs::is_regular_file(fs::symlink_status(home / name, ignored)))
            fs::remove(home / name, ignored);
    }
}
}  // namespace

WorkFolderError::WorkFolderError(const std::string& text, std::error_code cause)
    : std::filesystem::filesystem_error(text, cause), m_text(text)
{
}

fs::path PrivateTemporaryFolder(std::error_code& error)
{
    return Temporary().Get(error);
}

fs::path WorkingFolder()
{
    static const bool oldPagesRemoved = (RemoveOldPages(), true);
    (void)oldPagesRemoved;
    std::error_code error;
    if (fs::path folder = PrivateTemporaryFolder(error); !folder.empty())
        return folder;
    throw WorkFolderError("No working folder can be made for the generated pages: a temporary folder in " +
                              Temporary().Tried() + ".",
                          error);
}

}  // namespace trovana

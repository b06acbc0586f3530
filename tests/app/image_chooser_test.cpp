// SPDX-License-Identifier: GPL-3.0-or-later
// A disk image opened in the window as a person opens it: File > Open
// Image... from the keyboard, its caches listed in the chooser as the image
// is searched (each profile of the image's folder tree, and the deleted
// container marked), one chosen with the keys and shown read-only with all
// the entries the same profile gives as a folder; and Cancel while the
// image's reads are stuck closes the chooser at once and leaves the shown
// cache as it was.
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include <wx/app.h>
#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/menu.h>

#include "../platform/image/fixture_image.h"
#include "app/main_frame.h"
#include "app/open_image_dlg.h"
#include "app/resource.h"
#include "listview/cache_list.h"
#include "scripted_prompts.h"
#include "window_fixture.h"
#include "x_input.h"

// Last: X11 defines None, which gtest uses as a name.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

extern char** environ;

namespace trovana::test {
namespace {
namespace fs = std::filesystem;

using trovana::test::image_fixture::kFixture;
using trovana::test::image_fixture::kImage;

// Keys given to the window through the X server, after giving it the
// keyboard (without a window manager nothing else does), by its own X window:
// a window of the same title closed a moment ago is never mistaken for it.
void KeysTo(wxWindow& window, const std::string& keys)
{
    const unsigned long id = gdk_x11_window_get_xid(gtk_widget_get_window(window.GetHandle()));
    const std::string command =
        "xdotool windowfocus --sync " + std::to_string(id) + " key --delay 30 " + keys;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    ProcessEvents();
}

// The chooser while it is shown, or null.
app::COpenImageDlg* ShownChooser()
{
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* dialog = dynamic_cast<app::COpenImageDlg*>(window); dialog != nullptr && dialog->IsModal())
            return dialog;
    }
    return nullptr;
}

std::string ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file);
    std::string text;
    in >> text;
    return text;
}

// The containers and WebCache databases of a profile folder of the tree the
// image was filled from, by file name alone.
size_t CacheFilesIn(const fs::path& profile)
{
    size_t count = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(profile)) {
        const std::string name = entry.path().filename().string();
        count += entry.is_regular_file() && (name == "index.dat" || name == "WebCacheV01.dat");
    }
    return count;
}

// The files in the folders of cached files beside a profile's Content.IE5
// containers, as paths from the profile.
std::set<std::string> CachedFilesIn(const fs::path& profile)
{
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(profile)) {
        const fs::path folder = entry.path().parent_path();
        if (entry.is_regular_file() && folder.parent_path().filename() == "Content.IE5")
            files.insert(entry.path().lexically_relative(profile).generic_string());
    }
    return files;
}

size_t EntriesOfFolder(const fs::path& profile)
{
    urlcache::UrlCache cache(urlcache::LocateProfileCache(profile));
    urlcache::CacheEnumeration entries = cache.Enumerate();
    size_t count = 0;
    while (entries.Next())
        ++count;
    return count;
}

// The MFT entry of a file of an NTFS volume, as The Sleuth Kit's ifind
// finds it by path.
std::string MftEntryBySleuthKit(const fs::path& volume, const std::string& path)
{
    const std::string command = "ifind -f ntfs -n '" + path + "' '" + volume.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char line[64] = {};
    if (!pipe || std::fgets(line, sizeof line, pipe.get()) == nullptr)
        return {};
    std::string entry(line);
    entry.erase(entry.find_last_not_of("\n") + 1);
    return entry;
}

class OpenImageTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_folder = fs::temp_directory_path() / ("trovana-open-image-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        delete wxConfigBase::Set(new wxFileConfig("", "", (m_folder / "config").string(), "", wxCONFIG_USE_LOCAL_FILE));
        StartWindow();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        delete wxConfigBase::Set(nullptr);
        fs::remove_all(m_folder);
    }
    std::string Title() { return m_pFrame->GetTitle().utf8_string(); }

    // Presses Ctrl+Shift+O; `whileShown` runs once the chooser is shown,
    // inside its modal loop.
    void OpenImageWithKeys(const fs::path& image, const std::function<void(app::COpenImageDlg&)>& whileShown)
    {
        m_prompts.m_openFile = image;
        wxTheApp->CallAfter([&] {
            app::COpenImageDlg* chooser = nullptr;
            if (!WaitUntil([&] { return (chooser = ShownChooser()) != nullptr; })) {
                ADD_FAILURE() << "Ctrl+Shift+O showed no chooser";
                return;
            }
            whileShown(*chooser);
            if (!WaitUntil([&] { return !chooser->IsModal(); }, 10000)) {
                ADD_FAILURE() << "the chooser stayed open";
                chooser->EndModal(wxID_CANCEL);
            }
        });
        m_input.Keys("ctrl+shift+o");
        m_input.Join();
    }

    fs::path m_folder;
    XInput m_input;
};

TEST_F(OpenImageTest, FileOpenImageListsTheImagesCachesAndOpensOneReadOnly)
{
    const std::string before = Title();
    std::map<std::string, app::ImageCacheRow> rows;
    std::vector<std::string> problems;
    OpenImageWithKeys(kFixture / kImage, [&](app::COpenImageDlg& chooser) {
        ASSERT_TRUE(WaitUntil([&] { return !chooser.IsSearching(); }, 30000)) << "the search did not end";
        for (const app::ImageCacheRow& row : chooser.Rows())
            rows.emplace(row.cache.user, row);
        problems = chooser.Problems();
        // The first row is chosen; Down moves to the 7 profile, Enter opens it.
        std::string keys;
        for (const app::ImageCacheRow& row : chooser.Rows()) {
            if (row.cache.user == "sevenuser")
                break;
            keys += "Down ";
        }
        KeysTo(chooser, keys + "Return");
    });
    EXPECT_EQ(m_prompts.m_openTitle, "Open Disk Image");
    EXPECT_TRUE(problems.empty()) << problems.front();

    // Every profile of the tree the image was filled from (one of them
    // outside Users, which the SOFTWARE hive lists), with its containers,
    // and the container deleted after writing.
    const fs::path tree = kFixture / "tree";
    const std::map<std::string, fs::path> profiles = {{"xpuser", tree / "Documents and Settings/xpuser"},
                                                      {"sevenuser", tree / "Users/sevenuser"},
                                                      {"tenuser", tree / "Users/tenuser"},
                                                      {"listeduser", tree / "Profiles/listeduser"}};
    ASSERT_EQ(rows.size(), profiles.size() + 1);
    for (const auto& [user, folder] : profiles) {
        ASSERT_TRUE(rows.contains(user)) << user;
        const app::ImageCacheRow& row = rows.at(user);
        EXPECT_EQ(row.cache.files.size(), CacheFilesIn(folder)) << user;
        EXPECT_EQ(row.cache.entries, EntriesOfFolder(folder)) << user;
        EXPECT_FALSE(row.cache.deleted) << user;
        EXPECT_EQ(row.snapshot, "live");
        // The E01 holds the MBR disk, the VMDK the GPT one.
        EXPECT_EQ(row.volume, std::string("partition 1 (") + (kImage == "disk.E01" ? "MBR" : "GPT") + ", offset 1048576)");
    }
    ASSERT_TRUE(rows.contains("gone"));
    EXPECT_TRUE(rows.at("gone").cache.deleted);
    EXPECT_EQ(app::DeletedText(rows.at("gone").cache).rfind("deleted", 0), 0u);

    // The 7 profile in the window: its every entry, read-only, named by the
    // image and the path inside it.
    ASSERT_TRUE(WaitUntil([&] { return Title() != before; })) << Title();
    EXPECT_EQ(Title(), std::string("Trovana ") + kVersion + " - " + kImage + ": Users/sevenuser (read-only)");
    EXPECT_EQ(static_cast<size_t>(View().GetAllList()->Rows().Count()), EntriesOfFolder(profiles.at("sevenuser")));
    EXPECT_FALSE(m_pFrame->GetMenuBar()->IsEnabled(app::ID_CACHE_DELETE));
    EXPECT_FALSE(m_pFrame->GetMenuBar()->IsEnabled(app::ID_CACHE_DELETE_ALL));
    ASSERT_TRUE(m_pFrame->OpenedImage().has_value());
    // The cached files came out of the image with the containers: the
    // profile's copy holds those of the tree, for preview and Copy.
    const app::ImageCacheRow& opened = m_pFrame->OpenedImage()->caches.at(0);
    EXPECT_EQ(CachedFilesIn(opened.cache.copy), CachedFilesIn(profiles.at("sevenuser")));
    EXPECT_FALSE(CachedFilesIn(profiles.at("sevenuser")).empty());
    // Properties of an entry name the image, the path inside it of the one
    // container whose bytes hold its URL, and that container's MFT entry as
    // The Sleuth Kit finds it in the same volume.
    listview::CCacheList& all = *View().GetAllList();
    std::map<std::string, std::string> containerBytes;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(profiles.at("sevenuser"))) {
        if (entry.path().filename() == "index.dat")
            containerBytes[entry.path().lexically_relative(tree).generic_string()] = ReadBytes(entry.path());
    }
    std::string url;
    std::string container;
    for (long row = 0; row < all.GetItemCount() && container.empty(); ++row) {
        url = all.GetItemText(row).utf8_string();
        std::vector<std::string> holders;
        for (const auto& [path, bytes] : containerBytes) {
            if (bytes.find(url) != std::string::npos)
                holders.push_back(path);
        }
        if (holders.size() == 1)
            container = holders.front();
    }
    ASSERT_FALSE(container.empty()) << "no URL of one container alone";
    const std::vector<std::string> properties = PropertiesOf(all, url);
    const auto has = [&](const std::string& row) {
        return std::find(properties.begin(), properties.end(), row) != properties.end();
    };
    EXPECT_TRUE(has("Image=" + (kFixture / kImage).string() + (kImage == "disk.E01" ? " (EWF)" : " (VMDK)")));
    EXPECT_TRUE(has("Path in Image=" + container)) << url;
    EXPECT_TRUE(has("MFT Entry=" + MftEntryBySleuthKit(kFixture / "volume.raw", container)));

    // The 10 profile's WebCache database: its message names the database
    // by its path inside the image, never by its copy's in the temporary folder.
    m_prompts.m_asked.clear();
    OpenImageWithKeys(kFixture / kImage, [&](app::COpenImageDlg& chooser) {
        ASSERT_TRUE(WaitUntil([&] { return !chooser.IsSearching(); }, 30000)) << "the search did not end";
        std::string keys;
        for (const app::ImageCacheRow& row : chooser.Rows()) {
            if (row.cache.user == "tenuser")
                break;
            keys += "Down ";
        }
        KeysTo(chooser, keys + "Return");
    });
    ASSERT_TRUE(WaitUntil([&] { return !m_prompts.m_asked.empty(); })) << Title();
    const std::string& said = m_prompts.m_asked.front().text;
    EXPECT_NE(said.find("Users/tenuser/AppData/Local/Microsoft/Windows/WebCache/WebCacheV01.dat: "), std::string::npos)
        << said;
    EXPECT_EQ(said.find(m_pFrame->OpenedImage()->caches.at(0).cache.copy.string()), std::string::npos) << said;
    // What the E01 records of itself: the MD5 and SHA1 of the disk it holds.
    if (kImage != "disk.E01")
        return;
    EXPECT_TRUE(has("Image MD5 (stored)=" + ReadText(kFixture / "mbr.md5")));
    std::map<std::string, std::string> stored;
    for (const image::StoredHash& hash : m_pFrame->OpenedImage()->storedHashes)
        stored[hash.algorithm] = hash.hex;
    EXPECT_EQ(stored["MD5"], ReadText(kFixture / "mbr.md5"));
    EXPECT_EQ(stored["SHA1"], ReadText(kFixture / "mbr.sha1"));
}

TEST_F(OpenImageTest, ATruncatedImageIsNamedOnceAndItsSearchEnds)
{
    // The first 20 MB of the MBR disk: its partition runs past the end.
    const fs::path truncated = m_folder / "truncated.raw";
    {
        std::ifstream in(kFixture / "mbr.raw", std::ios::binary);
        std::string bytes(20'000'000, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(truncated, std::ios::binary).write(bytes.data(), in.gcount());
    }
    std::vector<std::string> problems;
    OpenImageWithKeys(truncated, [&](app::COpenImageDlg& chooser) {
        ASSERT_TRUE(WaitUntil([&] { return !chooser.IsSearching(); }, 30000)) << "the search did not end";
        problems = chooser.Problems();
        KeysTo(chooser, "Escape");
    });
    const auto truncatedSaid = std::count_if(problems.begin(), problems.end(), [](const std::string& problem) {
        return problem.find("truncated") != std::string::npos;
    });
    EXPECT_EQ(truncatedSaid, 1);
    EXPECT_EQ(std::set<std::string>(problems.begin(), problems.end()).size(), problems.size());
    EXPECT_FALSE(m_pFrame->OpenedImage().has_value());
}

// Open Cache... and the command line take an image for what its bytes are,
// whatever its name: every format of the fixture, also renamed; a container
// or a WebCache database named like an image stays a cache file.
TEST(DiskImageNames, AnImageIsKnownByItsBytesNotItsName)
{
    const fs::path folder = fs::temp_directory_path() / ("trovana-image-names-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const char* name : {"disk.E01", "disk.vmdk", "disk.vhd", "disk.vhdx", "disk.qcow2", "split.001", "mbr.raw",
                             "gpt.raw", "volume.raw"})
        EXPECT_TRUE(app::IsDiskImage(kFixture / name)) << name;
    fs::copy_file(kFixture / "disk.qcow2", folder / "evidence.dat");
    EXPECT_TRUE(app::IsDiskImage(folder / "evidence.dat"));
    fs::copy_file(kFixture / "tree/Users/sevenuser/AppData/Local/Microsoft/Windows/History/History.IE5/index.dat",
                  folder / "history.E01");
    fs::copy_file(kFixture / "tree/Users/tenuser/AppData/Local/Microsoft/Windows/WebCache/WebCacheV01.dat",
                  folder / "webcache.raw");
    EXPECT_FALSE(app::IsDiskImage(folder / "history.E01"));
    EXPECT_FALSE(app::IsDiskImage(folder / "webcache.raw"));
    EXPECT_FALSE(app::IsDiskImage(kFixture / "tree/Users"));
    fs::remove_all(folder);
}

// An NTFS volume served by ntfs-3g in the foreground, whose process the test
// stops: every read of a file in it waits until the process goes on.
class StoppableMount {
    static dev_t DeviceOf(const fs::path& path)
    {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? status.st_dev : 0;
    }

public:
    explicit StoppableMount(const fs::path& folder) : m_mount(folder / "mnt")
    {
        const fs::path volume = folder / "stuck.ntfs";
        fs::create_directories(m_mount);
        std::ofstream(volume).close();
        fs::resize_file(volume, 8 << 20);
        m_ok = std::system(("mkntfs -q -F -f " + volume.string() + " > /dev/null 2>&1").c_str()) == 0;
        const std::string source = volume.string();
        const std::string target = m_mount.string();
        char* argv[] = {const_cast<char*>("ntfs-3g"), const_cast<char*>("-o"), const_cast<char*>("no_detach"),
                        const_cast<char*>(source.c_str()), const_cast<char*>(target.c_str()), nullptr};
        m_ok = m_ok && ::posix_spawnp(&m_pid, "ntfs-3g", nullptr, nullptr, argv, environ) == 0;
        // Mounted once the folder is on a device of its own.
        m_ok = m_ok && WaitUntil([&] { return DeviceOf(m_mount) != DeviceOf(folder); });
        std::error_code error;
        m_ok = m_ok && std::ofstream(File()).good();
        fs::resize_file(File(), 1 << 20, error);
        m_ok = m_ok && !error;
    }
    ~StoppableMount()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGCONT);
            ::umount2(m_mount.c_str(), MNT_DETACH);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool Ok() const { return m_ok; }
    void Stop() { ::kill(m_pid, SIGSTOP); }
    fs::path File() const { return m_mount / "stuck.raw"; }

private:
    fs::path m_mount;
    pid_t m_pid = 0;
    bool m_ok = false;
};

TEST_F(OpenImageTest, CancelWhileTheImageDoesNotAnswerClosesTheChooserAtOnce)
{
    StoppableMount mount(m_folder);
    ASSERT_TRUE(mount.Ok()) << "ntfs-3g could not serve a volume";
    const std::string before = Title();
    const long entries = View().GetAllList()->Rows().Count();
    mount.Stop();
    bool searching = false;
    OpenImageWithKeys(mount.File(), [&](app::COpenImageDlg& chooser) {
        searching = chooser.IsSearching();
        KeysTo(chooser, "Escape");
    });
    EXPECT_TRUE(searching);
    EXPECT_EQ(ShownChooser(), nullptr);
    EXPECT_EQ(Title(), before);
    EXPECT_EQ(View().GetAllList()->Rows().Count(), entries);
    EXPECT_FALSE(m_pFrame->OpenedImage().has_value());
}

}  // namespace
}  // namespace trovana::test

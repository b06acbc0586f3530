// SPDX-License-Identifier: GPL-3.0-or-later
// Disk images made by the fixture (mkntfs, ntfs-3g, sfdisk, ewfacquire,
// qemu-img) against the folder tree they were filled from, the shadow
// copies of a public test image against what vshadowinfo shows, and
// damaged images.
#include "disk_image.h"
#include "iso_utc.h"
#include "ntfs_volume.h"
#include "shadow_copies.h"
#include "sha256.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <map>
#include <set>

namespace trovana::image {
namespace {

namespace fs = std::filesystem;

const fs::path kFixture = TROVANA_IMAGE_FIXTURE;

// Under AddressSanitizer the libyal libraries cannot be loaded apart
// (libyal_library.h), and libewf then refuses to open: EWF is left out.
#ifdef TROVANA_SANITIZED
constexpr bool kEwfReadable = false;
#else
constexpr bool kEwfReadable = true;
#endif
const std::string kDeletedPath = "Users/gone/AppData/Local/Microsoft/Windows/History/History.IE5/index.dat";

// A folder of the test's own, removed with it.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "trovana-image-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

struct Scan {
    std::vector<ImageCache> caches;
    std::vector<ImageVolume> volumes;
    std::vector<std::string> problems;
    std::vector<StoredHash> storedHashes;
};

// Scans the image; `check` sees the caches while their copies exist.
Scan ScanImage(const fs::path& path, const std::function<void(const DiskImage&)>& check = {})
{
    TemporaryFolder work;
    DiskImage disk(path, work.Path() / "copies");
    Scan scan;
    ScanCallbacks callbacks;
    callbacks.problem = [&](const std::string& problem) { scan.problems.push_back(problem); };
    EXPECT_TRUE(disk.Scan(callbacks));
    if (check) {
        check(disk);
    }
    scan.caches = disk.Caches();
    scan.volumes = disk.Volumes();
    scan.storedHashes = disk.File().storedHashes;
    return scan;
}

// The cache files of each profile folder of the tree, found by walking it:
// profile -> paths inside the volume.
std::map<std::string, std::set<std::string>> TreeCaches()
{
    std::map<std::string, std::set<std::string>> profiles;
    const fs::path tree = kFixture / "tree";
    for (const char* parent : {"Users", "Documents and Settings", "Profiles"}) {
        for (const auto& profile : fs::directory_iterator(tree / parent)) {
            for (const auto& file : fs::recursive_directory_iterator(profile.path())) {
                const std::string name = file.path().filename().string();
                if (name == "index.dat" || name == "WebCacheV01.dat") {
                    const std::string relative = profile.path().lexically_relative(tree).generic_string();
                    profiles[relative].insert(file.path().lexically_relative(tree).generic_string());
                }
            }
        }
    }
    return profiles;
}

std::string Digest(const fs::path& file)
{
    return FileSha256Hex(file).value_or("unreadable " + file.string());
}

class EveryFormat : public testing::TestWithParam<const char*> {};

TEST_P(EveryFormat, ShowsTheCachesOfTheFolderTreeAndTheDeletedOne)
{
    if (!kEwfReadable && std::string(GetParam()).ends_with(".E01")) {
        GTEST_SKIP() << "EWF images are not read under AddressSanitizer";
    }
    std::map<std::string, std::set<std::string>> found;
    const Scan scan = ScanImage(kFixture / GetParam(), [&](const DiskImage& disk) {
        for (const ImageCache& cache : disk.Caches()) {
            if (cache.deleted) {
                continue;
            }
            for (const CacheFile& file : cache.files) {
                found[cache.profile].insert(file.path);
                // The copy holds the very bytes of the file put in the volume.
                const fs::path copy = cache.copy / fs::path(file.path).lexically_relative(cache.profile);
                EXPECT_EQ(Digest(copy), Digest(kFixture / "tree" / file.path)) << file.path;
            }
            const urlcache::CacheLocation location = disk.Location(cache);
            EXPECT_TRUE(location.readOnly);
            EXPECT_EQ(location.recordedZone, "Europe/Berlin");
            EXPECT_EQ(location.containers.size() + location.webCaches.size(), cache.files.size());
        }
    });
    EXPECT_EQ(found, TreeCaches());
    EXPECT_TRUE(scan.problems.empty()) << scan.problems.front();

    std::vector<const ImageCache*> deleted;
    for (const ImageCache& cache : scan.caches) {
        if (cache.deleted) {
            deleted.push_back(&cache);
        }
    }
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0]->files.at(0).path, kDeletedPath);
    EXPECT_EQ(deleted[0]->user, "gone");
    EXPECT_EQ(deleted[0]->kind, "index.dat");
    EXPECT_FALSE(deleted[0]->mayBeOverwritten);        // nothing was written after the deletion
    EXPECT_GT(deleted[0]->files.at(0).mftEntry, 23u);  // past NTFS's own files
}

INSTANTIATE_TEST_SUITE_P(Images, EveryFormat,
                         testing::Values("mbr.raw", "gpt.raw", "split.001", "disk.E01", "disk.vmdk", "disk.vhd",
                                         "disk.vhdx", "disk.qcow2"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name[name.find('.')] = '_';
                             return name;
                         });

TEST(DiskImage, TheHivesNameProfilesUsersAndTheTimeZone)
{
    const Scan scan = ScanImage(kFixture / "gpt.raw");
    std::map<std::string, const ImageCache*> byProfile;
    for (const ImageCache& cache : scan.caches) {
        byProfile[cache.profile] = &cache;
    }
    // Found through the ProfileList alone: no folder of Users holds it.
    ASSERT_TRUE(byProfile.contains("Profiles/listeduser"));
    EXPECT_EQ(byProfile["Profiles/listeduser"]->user, "listeduser");
    EXPECT_EQ(byProfile["Profiles/listeduser"]->sid, "S-1-5-21-1004336348-1177238915-682003330-1001");
    ASSERT_TRUE(byProfile.contains("Users/sevenuser"));
    EXPECT_EQ(byProfile["Users/sevenuser"]->sid, "S-1-5-21-1004336348-1177238915-682003330-1002");
    EXPECT_EQ(byProfile["Users/tenuser"]->sid, "");
    // The zone of the control set that Select\Current names, not ControlSet001's.
    ASSERT_EQ(scan.volumes.size(), 1u);
    EXPECT_EQ(scan.volumes[0].timeZone, "Europe/Berlin");
}

TEST(DiskImage, CachedFilesAreCopiedWhenAsked)
{
    TemporaryFolder work;
    DiskImage disk(kFixture / "disk.vhdx", work.Path());
    disk.Scan({});
    const std::string page =
        "AppData/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5/ABCDEFGH/page[1].htm";
    for (const ImageCache& cache : disk.Caches()) {
        if (cache.profile == "Users/sevenuser") {
            EXPECT_FALSE(fs::exists(cache.copy / page));  // the scan copies containers only
            disk.CopyCachedFiles(cache);
            EXPECT_EQ(Digest(cache.copy / page), Digest(kFixture / "tree/Users/sevenuser" / page));
            return;
        }
    }
    ADD_FAILURE() << "no cache of Users/sevenuser";
}

TEST(DiskImage, TheDeletedCacheHoldsTheBytesWrittenBeforeTheDeletion)
{
    ScanImage(kFixture / "mbr.raw", [](const DiskImage& disk) {
        for (const ImageCache& cache : disk.Caches()) {
            if (cache.deleted) {
                EXPECT_EQ(Digest(cache.copy), Digest(kFixture / "tree/Users/sevenuser/AppData/Local/Microsoft/"
                                                                "Windows/History/History.IE5/index.dat"));
            }
        }
    });
}

// Every file of the fixture's folder by name, size and time of change, and
// the digest of the images scanned: nothing is written to them or beside.
std::map<std::string, std::string> FolderState(const std::set<std::string>& hashed)
{
    std::map<std::string, std::string> state;
    for (const auto& file : fs::directory_iterator(kFixture)) {
        const std::string name = file.path().filename().string();
        std::string& described = state[name];
        if (file.is_regular_file()) {
            described = std::to_string(file.file_size()) + " " +
                        std::to_string(file.last_write_time().time_since_epoch().count());
        }
        if (hashed.contains(name)) {
            described += " " + Digest(file.path());
        }
    }
    return state;
}

TEST(DiskImage, ClustersOfALiveFileCountAsOverwrittenThoseOfTheDeletedOneDoNot)
{
    NtfsVolume volume(OpenImageFile(kFixture / "volume.raw").media);
    const std::optional<NtfsFile> live = volume.Stat(
        "Users/tenuser/AppData/Local/Microsoft/Windows/WebCache/WebCacheV01.dat");
    ASSERT_TRUE(live);
    const std::vector<NtfsExtent> extents = volume.Extents(live->mftEntry);
    ASSERT_FALSE(extents.empty());
    EXPECT_TRUE(volume.AnyClusterAllocated(extents));
    // Its last cluster alone, too: every cluster is looked at, not the first.
    NtfsExtent last = extents.back();
    last.offset += last.size - 4096;
    last.size = 4096;
    EXPECT_TRUE(volume.AnyClusterAllocated({last}));

    for (uint64_t entry = 0; entry < volume.EntryCount(); ++entry) {
        if (volume.PathOf(entry) == kDeletedPath) {
            EXPECT_FALSE(volume.Entry(entry)->allocated);
            EXPECT_FALSE(volume.AnyClusterAllocated(volume.Extents(entry)));
            return;
        }
    }
    ADD_FAILURE() << "the deleted file's MFT entry was not found";
}

TEST(DiskImage, TheImageAndItsFolderAreUnchanged)
{
    const std::set<std::string> hashed = {"mbr.raw", "disk.E01", "disk.E02", "disk.E03", "disk.vmdk"};
    const auto before = FolderState(hashed);
    ScanImage(kFixture / "mbr.raw");
    if (kEwfReadable) {
        ScanImage(kFixture / "disk.E01");
    }
    ScanImage(kFixture / "disk.vmdk");
    EXPECT_EQ(FolderState(hashed), before);
}

std::string FirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(DiskImage, AnE01ShowsTheHashesItStores)
{
    if (!kEwfReadable) {
        GTEST_SKIP() << "EWF images are not read under AddressSanitizer";
    }
    const Scan scan = ScanImage(kFixture / "disk.E01");
    ASSERT_EQ(scan.storedHashes.size(), 2u);
    EXPECT_EQ(scan.storedHashes[0].algorithm, "MD5");
    EXPECT_EQ(scan.storedHashes[0].hex, FirstLine(kFixture / "mbr.md5"));  // md5sum of the raw disk
    EXPECT_EQ(scan.storedHashes[1].algorithm, "SHA1");
    EXPECT_EQ(scan.storedHashes[1].hex, FirstLine(kFixture / "mbr.sha1"));
}

TEST(ShadowCopies, StoresAreListedWithTheirDatesAndRead)
{
    const ImageFile image = OpenImageFile(TROVANA_VSS_IMAGE);
    const ShadowCopies shadows = ReadShadowCopies(image.media);
    EXPECT_TRUE(shadows.problem.empty());
    ASSERT_EQ(shadows.stores.size(), 2u);
    EXPECT_EQ(IsoUtcFromFileTime(shadows.stores[0].creationTime), "2013-12-03T06:35:09.7363787Z");
    EXPECT_EQ(IsoUtcFromFileTime(shadows.stores[1].creationTime), "2013-12-03T06:37:48.9190583Z");

    NtfsVolume live(image.media);
    NtfsVolume first(shadows.stores[0].bytes);
    NtfsVolume second(shadows.stores[1].bytes);
    EXPECT_TRUE(live.Stat("password.txt"));
    EXPECT_FALSE(live.Stat("syslog"));
    EXPECT_TRUE(first.Stat("syslog"));
    EXPECT_TRUE(second.Stat("another_file"));
    EXPECT_TRUE(second.Stat("syslog.gz"));
    EXPECT_FALSE(second.Stat("syslog"));

    const Scan scan = ScanImage(TROVANA_VSS_IMAGE);
    ASSERT_EQ(scan.volumes.size(), 3u);
    EXPECT_EQ(scan.volumes[0].VolumeText(), "whole disk");
    EXPECT_EQ(scan.volumes[0].SnapshotText(), "live");
    EXPECT_EQ(scan.volumes[2].SnapshotText(), "VSS 2 (2013-12-03T06:37:48.9190583Z)");
    EXPECT_TRUE(scan.caches.empty());
}

// A copy of the first `size` bytes of mbr.raw with `change` applied.
fs::path DamagedCopy(const TemporaryFolder& folder, uint64_t size, const std::function<void(std::fstream&)>& change)
{
    const fs::path copy = folder.Path() / "damaged.raw";
    fs::copy_file(kFixture / "mbr.raw", copy);
    fs::resize_file(copy, size);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    change(file);
    return copy;
}

constexpr uint64_t kVolumeStart = 1 << 20;

size_t Mentioning(const std::vector<std::string>& problems, const std::string& words)
{
    size_t count = 0;
    for (const std::string& problem : problems) {
        count += problem.find(words) != std::string::npos;
    }
    return count;
}

TEST(DamagedImages, EachProblemIsNamedOnceAndTheScanEnds)
{
    const TemporaryFolder folder;
    const uint64_t size = fs::file_size(kFixture / "mbr.raw");
    struct Case {
        const char* what;
        uint64_t size;
        std::function<void(std::fstream&)> change;
        const char* named;
    };
    const auto write = [](uint64_t at, const std::string& bytes) {
        return [at, bytes](std::fstream& file) {
            file.seekp(static_cast<std::streamoff>(at));
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        };
    };
    const std::vector<Case> cases = {
        {"truncated", size / 2, [](std::fstream&) {}, "truncated"},
        {"BitLocker", size, write(kVolumeStart + 3, "-FVE-FS-"), "BitLocker"},
        {"not NTFS", size, write(kVolumeStart, std::string(512, '\0')), "not an NTFS volume"},
    };
    for (const Case& test : cases) {
        fs::remove(folder.Path() / "damaged.raw");
        const fs::path image = DamagedCopy(folder, test.size, test.change);
        const Scan scan = ScanImage(image);
        EXPECT_EQ(Mentioning(scan.problems, test.named), 1u) << test.what;
    }
}

TEST(DamagedImages, AnE01WithoutItsLastSegmentIsNamed)
{
    if (!kEwfReadable) {
        GTEST_SKIP() << "EWF images are not read under AddressSanitizer";
    }
    const TemporaryFolder folder;
    for (const char* segment : {"disk.E01", "disk.E02"}) {
        fs::copy_file(kFixture / segment, folder.Path() / segment);
    }
    const Scan scan = ScanImage(folder.Path() / "disk.E01");
    EXPECT_EQ(Mentioning(scan.problems, "segment"), 1u);
}

TEST(DiskImage, ARenamedVmdkStillFindsItsExtent)
{
    // qemu-img's monolithic sparse VMDK names its extent "disk.vmdk" inside.
    const TemporaryFolder folder;
    fs::copy_file(kFixture / "disk.vmdk", folder.Path() / "evidence-0042.vmdk");
    const Scan scan = ScanImage(folder.Path() / "evidence-0042.vmdk");
    EXPECT_TRUE(scan.problems.empty());
    EXPECT_EQ(scan.caches.size(), ScanImage(kFixture / "disk.vmdk").caches.size());
    EXPECT_GE(scan.caches.size(), 5u);
}

TEST(DamagedImages, AVolumeWhoseMftIsDamagedIsNamed)
{
    const TemporaryFolder folder;
    const fs::path image = DamagedCopy(folder, fs::file_size(kFixture / "mbr.raw"), [](std::fstream& file) {
        // The MFT's place from the boot sector: its cluster times the cluster size.
        uint8_t boot[512];
        file.seekg(kVolumeStart);
        file.read(reinterpret_cast<char*>(boot), sizeof boot);
        const uint64_t bytesPerSector = boot[0x0B] | boot[0x0C] << 8;
        const uint64_t cluster = bytesPerSector * boot[0x0D];
        uint64_t mft = 0;
        for (int i = 7; i >= 0; --i) {
            mft = mft << 8 | boot[0x30 + i];
        }
        const std::string garbage(16 * 1024, '\xA5');
        file.seekp(static_cast<std::streamoff>(kVolumeStart + mft * cluster));
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    });
    const Scan scan = ScanImage(image);
    EXPECT_EQ(Mentioning(scan.problems, "partition 1"), 1u);
    EXPECT_TRUE(scan.caches.empty());
}

}  // namespace
}  // namespace trovana::image

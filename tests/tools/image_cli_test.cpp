// SPDX-License-Identifier: GPL-3.0-or-later
// trovana-cache --image on the image fixture (tests/platform/image): the
// same entries as the profile folders the image was filled from, each row
// naming where in the image it lies.
#include "../platform/image/fixture_image.h"
#include "cli_test_support.h"
#include "csv_reader.h"

namespace trovana::cli::test {
namespace {

namespace fs = std::filesystem;

using trovana::test::image_fixture::kFixture;
using trovana::test::image_fixture::kImage;

// The rows of list for one cache, without the columns that name where the
// rows come from (the image's, and the local file's folder).
std::vector<nlohmann::json> EntriesOnly(std::vector<nlohmann::json> rows)
{
    for (nlohmann::json& row : rows) {
        for (const char* column : {"cache", "image", "volume", "snapshot", "image_path", "local"}) {
            row.erase(column);
        }
    }
    return rows;
}

std::map<std::string, nlohmann::json> CachesByProfile(const std::string& image)
{
    const Outcome caches = RunCli({"--image", (kFixture / image).string(), "caches", "--format", "jsonl"});
    EXPECT_EQ(caches.status, 0) << caches.err;
    EXPECT_EQ(caches.err, "");
    std::map<std::string, nlohmann::json> byProfile;
    for (const nlohmann::json& row : JsonLines(caches.out)) {
        byProfile[row["profile"].get<std::string>()] = row;
    }
    return byProfile;
}

TEST(ImageCli, EachCacheListsTheEntriesOfItsProfileFolder)
{
    const auto caches = CachesByProfile(kImage);
    ASSERT_EQ(caches.size(), 5u);
    for (const char* profile :
         {"Users/sevenuser", "Users/tenuser", "Documents and Settings/xpuser", "Profiles/listeduser"}) {
        const nlohmann::json& cache = caches.at(profile);
        EXPECT_EQ(cache["deleted"], "no");
        EXPECT_EQ(cache["snapshot"], "live");
        // The zone of the volume's SYSTEM hive, in which daily history is read.
        EXPECT_EQ(cache["time_zone"], "Europe/Berlin");
        const Outcome fromImage = RunCli(
            {"--image", (kFixture / kImage).string(), "--in", std::to_string(cache["number"].get<uint64_t>()), "list"});
        const Outcome fromFolder = RunCli(
            {"--profile", (kFixture / "tree" / profile).string(), "--source-tz", "Europe/Berlin", "list"});
        ASSERT_EQ(fromImage.status, 0) << fromImage.err;
        ASSERT_EQ(fromFolder.status, 0) << fromFolder.err;
        // The WebCache database's note names it inside the image, not its copy.
        if (std::string(profile) == "Users/tenuser") {
            EXPECT_NE(fromImage.err.find("warning: Users/tenuser/AppData/Local/Microsoft/Windows/WebCache/"
                                         "WebCacheV01.dat: these tables hold rows"),
                      std::string::npos)
                << fromImage.err;
        }
        EXPECT_EQ(fromImage.err.find("/cache-"), std::string::npos) << fromImage.err;
        const auto rows = JsonLines(fromImage.out);
        EXPECT_EQ(EntriesOnly(rows), EntriesOnly(JsonLines(fromFolder.out))) << profile;
        EXPECT_EQ(rows.size(), cache["entries"].get<uint64_t>());
        for (const nlohmann::json& row : rows) {
            EXPECT_TRUE(row["image_path"].get<std::string>().starts_with(profile));
            EXPECT_EQ(row["volume"], cache["volume"]);
            EXPECT_EQ(row["volume"].get<std::string>().substr(0, 11), "partition 1");
        }
    }
}

TEST(ImageCli, TheDeletedCacheIsMarkedAndListed)
{
    const auto caches = CachesByProfile("disk.vmdk");
    const nlohmann::json& deleted = caches.at("Users/gone/AppData/Local/Microsoft/Windows/History/History.IE5");
    EXPECT_EQ(deleted["deleted"], "yes");
    const Outcome listed = RunCli({"--image", (kFixture / "disk.vmdk").string(), "--in",
                                   std::to_string(deleted["number"].get<uint64_t>()), "timeline", "--format", "csv"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const Outcome sample = RunCli(
        {"--container",
         (kFixture / "tree/Users/sevenuser/AppData/Local/Microsoft/Windows/History/History.IE5/index.dat").string(),
         "timeline", "--format", "csv"});
    EXPECT_EQ(ParseCsv(listed.out).size(), ParseCsv(sample.out).size());
    EXPECT_GT(ParseCsv(listed.out).size(), 1u);
}

TEST(ImageCli, ListWithoutInGivesEveryCacheUnderOneHeader)
{
    const Outcome all = RunCli({"--image", (kFixture / "gpt.raw").string(), "list", "--format", "csv"});
    ASSERT_EQ(all.status, 0) << all.err;
    const auto rows = ParseCsv(all.out);
    uint64_t entries = 0;
    for (const auto& [profile, cache] : CachesByProfile("gpt.raw")) {
        entries += cache["entries"].get<uint64_t>();
    }
    EXPECT_EQ(rows.size(), entries + 1);
    EXPECT_EQ(rows[0][0], "url");
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_NE(rows[i][0], "url") << "a second header at row " << i;
    }
}

TEST(ImageCli, ACutShortImageListsWhatCanBeReadAndSaysItIsIncomplete)
{
    // The raw image cut at 60%: some containers of a profile lie past the
    // cut, others before it. Each of the profile's readable containers is
    // still listed, the rest named, and the exit status says incomplete.
    const fs::path folder = fs::path(::testing::TempDir()) / "cut-image";
    fs::create_directories(folder);
    const fs::path cut = folder / "cut.raw";
    fs::copy_file(kFixture / "gpt.raw", cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, fs::file_size(cut) * 6 / 10);

    const Outcome listed = RunCli({"--image", cut.string(), "list"});
    EXPECT_EQ(listed.status, kExitIncomplete) << listed.err;
    EXPECT_NE(listed.err.find("the image is truncated"), std::string::npos) << listed.err;
    EXPECT_NE(listed.err.find("cannot be read in full: "), std::string::npos) << listed.err;
    std::map<std::string, std::vector<nlohmann::json>> fromFolder;
    size_t rows = 0;
    for (const nlohmann::json& row : JsonLines(listed.out)) {
        // "Users/sevenuser/AppData/...": the profile is the first two names.
        const std::string path = row["image_path"].get<std::string>();
        const std::string profile = path.substr(0, path.find('/', path.find('/') + 1));
        if (!fromFolder.contains(profile)) {
            const Outcome folderList = RunCli(
                {"--profile", (kFixture / "tree" / profile).string(), "--source-tz", "Europe/Berlin", "list"});
            ASSERT_EQ(folderList.status, 0) << profile << folderList.err;
            fromFolder[profile] = EntriesOnly(JsonLines(folderList.out));
        }
        const std::vector<nlohmann::json>& known = fromFolder[profile];
        EXPECT_NE(std::find(known.begin(), known.end(), EntriesOnly({row}).front()), known.end())
            << profile << ": " << row.dump();
        ++rows;
    }
    // Before, one unreadable container dropped its whole profile: nothing was listed.
    EXPECT_GT(rows, 0u);
    fs::remove_all(folder);
}

TEST(ImageCli, WrongUseIsNamed)
{
    const std::string image = (kFixture / "mbr.raw").string();
    EXPECT_EQ(RunCli({"--image", image, "delete", "http://x/"}).status, 2);
    EXPECT_EQ(RunCli({"--in", "1", "list"}).status, 2);
    const Outcome tooFar = RunCli({"--image", image, "--in", "99", "list"});
    EXPECT_EQ(tooFar.status, 1);
    ExpectOneErrorLine(tooFar);
    const Outcome missing = RunCli({"--image", (kFixture / "no-such.raw").string(), "caches"});
    EXPECT_EQ(missing.status, 1);
    ExpectOneErrorLine(missing);
}

}  // namespace
}  // namespace trovana::cli::test

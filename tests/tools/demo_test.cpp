// SPDX-License-Identifier: GPL-3.0-or-later
// The demo cache: enough entries of every kind over many hosts, bodies and
// headers that belong together, times a reader can rely on, the same bytes
// on every run; and a prefix frame that Wine's registry readers accept.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <unistd.h>

#include "demo_content.h"
#include "demo_plan.h"
#include "demo_prefix.h"
#include "demo_time.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;

// The host of any entry URL: "Cookie:user@host/path", "Visited: user@url"
// or a plain URL.
std::string HostOf(std::string url)
{
    if (url.starts_with("Cookie:")) {
        url = url.substr(url.find('@') + 1);
        return url.substr(0, url.find('/'));
    }
    if (url.starts_with("Visited: ")) {
        url = url.substr(url.find('@') + 1);
    }
    const size_t start = url.find("://") + 3;
    return url.substr(start, url.find('/', start) - start);
}

std::string HeaderField(const std::string& header, const std::string& name)
{
    const size_t at = header.find("\r\n" + name + ": ");
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + name.size() + 4;
    return header.substr(start, header.find("\r\n", start) - start);
}

class DemoPlan : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_entries = new std::vector<DemoEntry>(DemoEntries("trovana")); }
    static void TearDownTestSuite() { delete s_entries; }
    static const std::vector<DemoEntry>& Entries() { return *s_entries; }
    static std::vector<const DemoEntry*> OfKind(DemoKind kind)
    {
        std::vector<const DemoEntry*> found;
        for (const DemoEntry& e : Entries()) {
            if (e.kind == kind) {
                found.push_back(&e);
            }
        }
        return found;
    }

private:
    static inline std::vector<DemoEntry>* s_entries = nullptr;
};

TEST_F(DemoPlan, HoldsEnoughDistinctEntriesOverManyHosts)
{
    std::set<std::string> urls;
    std::set<std::string> hosts;
    size_t deepest = 0;
    for (const DemoEntry& e : Entries()) {
        urls.insert(e.entry.url);
        hosts.insert(HostOf(e.entry.url));
        const std::string& url = e.entry.url;
        if (e.kind != DemoKind::Cookie && e.kind != DemoKind::Visited) {
            const std::string path = url.substr(0, url.find('?')).substr(url.find('/', url.find("://") + 3));
            deepest = std::max<size_t>(deepest, static_cast<size_t>(std::count(path.begin(), path.end(), '/')));
        }
    }
    EXPECT_GE(Entries().size(), 150u);
    EXPECT_EQ(urls.size(), Entries().size()) << "a URL twice would replace its first entry";
    EXPECT_GE(hosts.size(), 8u);
    EXPECT_GE(deepest, 4u) << "some files sit three directories deep or more";
}

TEST_F(DemoPlan, HasEveryKindOfEntry)
{
    const std::map<DemoKind, size_t> least = {{DemoKind::Html, 20},  {DemoKind::Png, 5},        {DemoKind::Gif, 5},
                                              {DemoKind::Jpeg, 10},  {DemoKind::StyleSheet, 5}, {DemoKind::Script, 5},
                                              {DemoKind::Xml, 3},    {DemoKind::Pdf, 1},        {DemoKind::NoFile, 3},
                                              {DemoKind::Cookie, 5}, {DemoKind::Visited, 20}};
    for (const auto& [kind, count] : least) {
        EXPECT_GE(OfKind(kind).size(), count) << "kind " << static_cast<int>(kind);
    }
}

TEST_F(DemoPlan, ImagesCarryTheirFormatsSignatures)
{
    for (const DemoEntry* e : OfKind(DemoKind::Png)) {
        EXPECT_TRUE(e->entry.body->starts_with("\x89PNG\r\n\x1a\n")) << e->entry.url;
    }
    for (const DemoEntry* e : OfKind(DemoKind::Gif)) {
        EXPECT_TRUE(e->entry.body->starts_with("GIF89a")) << e->entry.url;
        EXPECT_TRUE(e->entry.body->ends_with(";")) << e->entry.url;
    }
    for (const DemoEntry* e : OfKind(DemoKind::Jpeg)) {
        EXPECT_TRUE(e->entry.body->starts_with("\xFF\xD8\xFF\xE0")) << e->entry.url;
        EXPECT_TRUE(e->entry.body->ends_with("\xFF\xD9")) << e->entry.url;
    }
}

TEST_F(DemoPlan, ContentHeadersAreHttpResponsesThatMatchTheirBodies)
{
    size_t withoutType = 0;
    size_t withoutHeader = 0;
    for (const DemoEntry& e : Entries()) {
        const std::string& header = e.entry.headerInfo;
        if (e.kind == DemoKind::Cookie || e.kind == DemoKind::Visited) {
            EXPECT_TRUE(header.empty()) << e.entry.url;
            continue;
        }
        if (header.empty()) {
            ++withoutHeader;
            continue;
        }
        EXPECT_TRUE(header.starts_with("HTTP/1.1 ")) << e.entry.url;
        EXPECT_TRUE(header.ends_with("\r\n\r\n")) << e.entry.url;
        EXPECT_EQ(header.find("\r\n\r\n"), header.size() - 4) << e.entry.url;
        const std::string type = HeaderField(header, "Content-Type");
        if (e.kind == DemoKind::NoFile) {
            EXPECT_FALSE(e.entry.body.has_value());
            EXPECT_FALSE(header.starts_with("HTTP/1.1 200")) << e.entry.url;
            continue;
        }
        ASSERT_TRUE(e.entry.body.has_value()) << e.entry.url;
        EXPECT_EQ(HeaderField(header, "Content-Length"), std::to_string(e.entry.body->size())) << e.entry.url;
        if (type.empty()) {
            ++withoutType;
        } else {
            EXPECT_EQ(type, ContentType(e.kind)) << e.entry.url;
        }
    }
    EXPECT_GE(withoutType, 5u);
    EXPECT_GE(withoutHeader, 2u);
}

TEST_F(DemoPlan, ThePdfEntryIsAWellFormedPdf)
{
    ASSERT_FALSE(OfKind(DemoKind::Pdf).empty());
    const DemoEntry& e = *OfKind(DemoKind::Pdf).front();
    EXPECT_EQ(HeaderField(e.entry.headerInfo, "Content-Type"), "application/pdf");
    const std::string& pdf = *e.entry.body;
    ASSERT_TRUE(pdf.starts_with("%PDF-1."));
    ASSERT_TRUE(pdf.ends_with("%%EOF\n"));
    // startxref names the table; each in-use entry names its object.
    const size_t startxref = pdf.rfind("startxref\n");
    const size_t xref = std::stoul(pdf.substr(startxref + 10));
    ASSERT_EQ(pdf.substr(xref, 5), "xref\n");
    std::istringstream table(pdf.substr(xref + 5));
    int first = 0;
    int count = 0;
    table >> first >> count;
    table.ignore(1);
    for (int i = first; i < count; ++i) {
        char line[21] = {};
        table.read(line, 20);
        if (line[17] == 'n') {
            const size_t offset = std::stoul(std::string(line, 10));
            EXPECT_EQ(pdf.substr(offset, std::to_string(i).size() + 6), std::to_string(i) + " 0 obj") << i;
        }
    }
    EXPECT_EQ(count, 6);
}

TEST_F(DemoPlan, CookiesAreWineCookieFilesOfSeveralHosts)
{
    std::set<std::string> hosts;
    for (const DemoEntry* e : OfKind(DemoKind::Cookie)) {
        const std::string& url = e->entry.url;
        ASSERT_TRUE(url.starts_with("Cookie:trovana@")) << url;
        EXPECT_EQ(e->entry.cacheEntryType, urlcache::COOKIE_CACHE_ENTRY);
        EXPECT_EQ(e->entry.fileExtension, "txt");
        hosts.insert(HostOf(url));
        // Nine lines a cookie; the third is the host and path of the URL.
        std::istringstream file(*e->entry.body);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        ASSERT_FALSE(lines.empty());
        ASSERT_EQ(lines.size() % 9, 0u) << url;
        for (size_t i = 0; i < lines.size(); i += 9) {
            EXPECT_EQ(lines[i + 2], url.substr(url.find('@') + 1));
            EXPECT_EQ(lines[i + 8], "*");
            const uint64_t expiry = (std::stoull(lines[i + 5]) << 32) | std::stoull(lines[i + 4]);
            EXPECT_GT(expiry, FileTimeFromUnix(kDemoNow));
        }
    }
    EXPECT_GE(hosts.size(), 5u);
}

TEST_F(DemoPlan, VisitedLinksHaveNoFileAndTheHistoryType)
{
    for (const DemoEntry* e : OfKind(DemoKind::Visited)) {
        EXPECT_TRUE(e->entry.url.starts_with("Visited: trovana@")) << e->entry.url;
        EXPECT_EQ(e->entry.cacheEntryType, urlcache::URLHISTORY_CACHE_ENTRY | urlcache::NORMAL_CACHE_ENTRY);
        EXPECT_FALSE(e->entry.body.has_value());
    }
}

TEST_F(DemoPlan, TimesAndHitCountsVaryAndReadBackExactly)
{
    const uint64_t now = FileTimeFromUnix(kDemoNow);
    std::set<uint64_t> accessTimes;
    std::set<uint32_t> hits;
    size_t expiring = 0;
    for (const DemoEntry& e : Entries()) {
        const urlcache::NewCacheEntry& n = e.entry;
        // 0 would ask the library for "now": the demo must not depend on the clock.
        EXPECT_NE(n.lastAccessTime, 0u);
        EXPECT_NE(n.lastSyncTime, 0u);
        EXPECT_LE(n.lastAccessTime, now);
        EXPECT_LE(n.lastModifiedTime, n.lastAccessTime);
        EXPECT_EQ(n.useCount, 0u) << "a locked entry could not be deleted from the demo";
        // Expiry and sync are stored as DOS date-times: whole even seconds.
        EXPECT_EQ(n.expireTime % 20000000, 0u) << n.url;
        EXPECT_EQ(n.lastSyncTime % 20000000, 0u) << n.url;
        accessTimes.insert(n.lastAccessTime);
        hits.insert(n.hitRate);
        expiring += n.expireTime != 0 ? 1 : 0;
    }
    EXPECT_GT(accessTimes.size(), Entries().size() * 9 / 10);
    EXPECT_GE(hits.size(), 8u);
    EXPECT_GT(expiring, 20u);
    EXPECT_LT(expiring, Entries().size());
}

TEST_F(DemoPlan, IsTheSameOnEveryRunAndNamesItsUser)
{
    const std::vector<DemoEntry> again = DemoEntries("trovana");
    ASSERT_EQ(again.size(), Entries().size());
    for (size_t i = 0; i < again.size(); ++i) {
        const urlcache::NewCacheEntry& a = again[i].entry;
        const urlcache::NewCacheEntry& b = Entries()[i].entry;
        EXPECT_EQ(a.url, b.url);
        EXPECT_EQ(a.body, b.body) << a.url;
        EXPECT_EQ(a.headerInfo, b.headerInfo);
        EXPECT_EQ(a.lastAccessTime, b.lastAccessTime);
        EXPECT_EQ(a.hitRate, b.hitRate);
    }
    for (const DemoEntry& e : DemoEntries("alice")) {
        EXPECT_EQ(e.entry.url.find("trovana@"), std::string::npos) << e.entry.url;
    }
}

TEST(DemoContent, NamesTitlesAndKindsFromPaths)
{
    EXPECT_EQ(TitleFromPath("/"), "Home");
    EXPECT_EQ(TitleFromPath("/index.php"), "Home");
    EXPECT_EQ(TitleFromPath("/products/widgets/blue-widget.html"), "Blue Widget");
    EXPECT_EQ(TitleFromPath("/posts/2024/01/winter-photos/"), "Winter Photos");
    EXPECT_EQ(TitleFromPath("/viewtopic.php?t=1201"), "Viewtopic 1201");
    EXPECT_EQ(KindFromPath("/v1/weather.json?city=Oslo"), DemoKind::Json);
    EXPECT_EQ(KindFromPath("/track/pixel.gif?cb=1"), DemoKind::Gif);
    EXPECT_EQ(KindFromPath("/catalog/shoes/product.php?id=1021"), DemoKind::Html);
    EXPECT_EQ(KindFromPath("/a.css/"), DemoKind::Html);
    EXPECT_EQ(HttpDate(kDemoNow), "Tue, 14 May 2024 09:30:00 GMT");
    EXPECT_EQ(HttpDate(951782400), "Tue, 29 Feb 2000 00:00:00 GMT");
}

class DemoPrefix : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("trovana-demo-prefix-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        WriteDemoPrefix(m_dir, "alice", kDemoNow);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Read(const fs::path& path)
    {
        std::ifstream file(m_dir / path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    fs::path m_dir;
};

TEST_F(DemoPrefix, RegistryFilesNameTheProfileAndShellFoldersAsWineDoes)
{
    const std::string system = Read("system.reg");
    EXPECT_TRUE(
        system.starts_with("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n"));
    EXPECT_NE(
        system.find("\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\ProfileList\\\\S-1-5-21-0-0-0-1000] "
                    "1715679000\n#time=1daa5e14aae1c00\n"),
        std::string::npos);
    EXPECT_NE(system.find("\n\"ProfileImagePath\"=\"C:\\\\users\\\\alice\"\n"), std::string::npos);

    const std::string user = Read("user.reg");
    EXPECT_TRUE(
        user.starts_with("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"));
    const size_t folders = user.find(
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders]");
    ASSERT_NE(folders, std::string::npos);
    const std::string section = user.substr(folders, user.find("\n\n", folders) - folders);
    EXPECT_NE(
        section.find("\n\"Cache\"=str(2):\"%USERPROFILE%\\\\AppData\\\\Local\\\\Microsoft\\\\Windows\\\\INetCache\"\n"),
        std::string::npos);
    EXPECT_NE(
        section.find(
            "\n\"Cookies\"=str(2):\"%USERPROFILE%\\\\AppData\\\\Local\\\\Microsoft\\\\Windows\\\\INetCookies\"\n"),
        std::string::npos);
    EXPECT_NE(
        section.find("\n\"History\"=str(2):\"%USERPROFILE%\\\\AppData\\\\Local\\\\Microsoft\\\\Windows\\\\History\""),
        std::string::npos);
    EXPECT_NE(
        user.find("\n\"Cache\"=\"C:\\\\users\\\\alice\\\\AppData\\\\Local\\\\Microsoft\\\\Windows\\\\INetCache\"\n"),
        std::string::npos);
}

TEST_F(DemoPrefix, TheDriveLinkAndProfileFoldersExist)
{
    EXPECT_TRUE(fs::is_symlink(m_dir / "dosdevices" / "c:"));
    EXPECT_EQ(fs::read_symlink(m_dir / "dosdevices" / "c:"), "../drive_c");
    const fs::path windows = m_dir / "dosdevices" / "c:" / "users" / "alice" / "AppData" / "Local" / "Microsoft" /
                             "Windows";
    for (const char* folder : {"INetCache", "INetCookies", "History"}) {
        EXPECT_TRUE(fs::is_directory(windows / folder)) << folder;
    }
}

}  // namespace
}  // namespace trovana::cli

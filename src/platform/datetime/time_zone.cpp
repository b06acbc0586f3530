// SPDX-License-Identifier: GPL-3.0-or-later
#include "time_zone.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace trovana {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kUnixEpochSeconds = 11'644'473'600;  // 1970-01-01 in seconds since 1601

std::filesystem::path ZoneFolder()
{
    const char* folder = std::getenv("TZDIR");
    return folder && *folder ? folder : "/usr/share/zoneinfo";
}

// A name of the database: letters, digits and "/_-+", no ".." and no
// leading "/", so that it cannot name a file outside the folder.
bool IsZoneName(const std::string& name)
{
    if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("/_-+").find(c) != std::string_view::npos;
    });
}

int64_t BigEndian(const std::string& bytes, size_t at, size_t size)
{
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    if (size == 4)
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    return static_cast<int64_t>(value);
}

}  // namespace

TimeZone TimeZone::Utc()
{
    TimeZone zone;
    zone.m_name = "UTC";
    return zone;
}

std::optional<TimeZone> TimeZone::Load(const std::string& name)
{
    if (name == "UTC")
        return Utc();
    if (!IsZoneName(name))
        return std::nullopt;
    std::ifstream file(ZoneFolder() / name, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(file), {});
    // The TZif header: magic, version, 15 reserved bytes, six counts.
    constexpr size_t kHeader = 44;
    const auto counts = [&](size_t at, int64_t out[6]) {
        if (bytes.size() < at + kHeader || bytes.compare(at, 4, "TZif") != 0)
            return false;
        for (int i = 0; i < 6; ++i)
            out[i] = BigEndian(bytes, at + 20 + 4 * i, 4);
        return std::all_of(out, out + 6, [](int64_t n) { return n >= 0 && n < 100000; });
    };
    int64_t n[6];  // isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt
    if (!counts(0, n))
        return std::nullopt;
    size_t at = kHeader;
    size_t timeSize = 4;
    if (bytes[4] >= '2') {  // skip the 32-bit data to the 64-bit block
        at += n[3] * 4 + n[3] + n[4] * 6 + n[5] + n[2] * 8 + n[1] + n[0];
        if (!counts(at, n))
            return std::nullopt;
        at += kHeader;
        timeSize = 8;
    }
    const size_t timecnt = n[3], typecnt = n[4];
    if (typecnt == 0 || bytes.size() < at + timecnt * (timeSize + 1) + typecnt * 6)
        return std::nullopt;
    const size_t types = at + timecnt * (timeSize + 1);
    const auto offsetOf = [&](size_t type) { return static_cast<int32_t>(BigEndian(bytes, types + 6 * type, 4)); };
    TimeZone zone;
    zone.m_name = name;
    zone.m_initialOffset = offsetOf(0);
    for (size_t i = 0; i < timecnt; ++i) {
        const auto type = static_cast<unsigned char>(bytes[at + timecnt * timeSize + i]);
        if (type >= typecnt)
            return std::nullopt;
        zone.m_transitions.push_back(BigEndian(bytes, at + i * timeSize, timeSize));
        zone.m_offsets.push_back(offsetOf(type));
    }
    return zone;
}

TimeZone TimeZone::Host()
{
    std::string name;
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        name = tz[0] == ':' ? tz + 1 : tz;
    } else {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
        if (const size_t at = target.find("zoneinfo/"); at != std::string::npos)
            name = target.substr(at + 9);
    }
    return Load(name).value_or(Utc());
}

std::vector<std::string> TimeZone::KnownNames()
{
    // Lines "CODES<TAB>COORDINATES<TAB>NAME[<TAB>COMMENT]"; '#' starts a comment.
    std::vector<std::string> names{"UTC"};
    std::ifstream table(ZoneFolder() / "zone1970.tab");
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t first = line.find('\t');
        const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos)
            continue;
        const std::string name = line.substr(second + 1, line.find('\t', second + 1) - second - 1);
        if (IsZoneName(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int32_t TimeZone::OffsetAt(int64_t utcSeconds) const
{
    const auto after = std::upper_bound(m_transitions.begin(), m_transitions.end(), utcSeconds);
    if (after == m_transitions.begin())
        return m_initialOffset;
    return m_offsets[static_cast<size_t>(after - m_transitions.begin()) - 1];
}

uint64_t TimeZone::UtcFromLocalFileTime(uint64_t localFileTime) const
{
    if (localFileTime == 0)
        return 0;
    const int64_t local = static_cast<int64_t>(localFileTime / kTicksPerSecond) - kUnixEpochSeconds;
    // The offset that holds at the instant it gives; the earlier one first.
    int32_t offset = OffsetAt(local - OffsetAt(local));
    for (const int32_t candidate : {OffsetAt(local - 86400), OffsetAt(local + 86400)}) {
        if (OffsetAt(local - candidate) == candidate && candidate > offset) {
            offset = candidate;  // the larger offset is the earlier instant
            break;
        }
    }
    const int64_t shifted = static_cast<int64_t>(localFileTime) - int64_t{offset} * kTicksPerSecond;
    return shifted > 0 ? static_cast<uint64_t>(shifted) : 0;
}

}  // namespace trovana

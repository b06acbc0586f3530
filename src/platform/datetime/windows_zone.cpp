// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows_zone.h"

#include <unicode/strenum.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <memory>

namespace trovana {

std::optional<std::string> IanaNameOfWindowsZone(std::string_view windowsName)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString id;
    const icu::UnicodeString windows = icu::UnicodeString::fromUTF8(
        icu::StringPiece(windowsName.data(), static_cast<int32_t>(windowsName.size())));
    // No region: the zone of the name's main territory ("001").
    icu::TimeZone::getIDForWindowsID(windows, nullptr, id, status);
    if (U_FAILURE(status) || id.isEmpty())
        return std::nullopt;
    std::string name;
    return id.toUTF8String(name);
}

std::vector<std::string> KnownWindowsZones()
{
    // ICU maps the other way per IANA zone: collect the Windows name of each.
    std::vector<std::string> names;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::StringEnumeration> zones(
        icu::TimeZone::createTimeZoneIDEnumeration(UCAL_ZONE_TYPE_CANONICAL, nullptr, nullptr, status));
    while (zones && U_SUCCESS(status)) {
        const icu::UnicodeString* id = zones->snext(status);
        if (!id)
            break;
        icu::UnicodeString windows;
        icu::TimeZone::getWindowsID(*id, windows, status);
        std::string name;
        if (U_SUCCESS(status) && !windows.isEmpty())
            names.push_back(windows.toUTF8String(name));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace trovana

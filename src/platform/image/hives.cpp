// SPDX-License-Identifier: GPL-3.0-or-later
#include "hives.h"

#include "ascii.h"

#include <hivex.h>

#include <cstdlib>
#include <memory>

namespace trovana::image {

namespace {

struct HiveClose {
    void operator()(hive_h* hive) const { hivex_close(hive); }
};
using Hive = std::unique_ptr<hive_h, HiveClose>;

Hive OpenHive(const std::filesystem::path& file)
{
    return Hive(hivex_open(file.c_str(), 0));
}

// The node at a path of key names from the root; 0 when one is missing.
hive_node_h Node(hive_h* hive, std::initializer_list<const char*> names)
{
    hive_node_h node = hivex_root(hive);
    for (const char* name : names) {
        if (node == 0) {
            return 0;
        }
        node = hivex_node_get_child(hive, node, name);
    }
    return node;
}

std::optional<std::string> StringValue(hive_h* hive, hive_node_h node, const char* name)
{
    const hive_value_h value = node == 0 ? 0 : hivex_node_get_value(hive, node, name);
    if (value == 0) {
        return std::nullopt;
    }
    char* text = hivex_value_string(hive, value);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::string result = text;
    std::free(text);
    return result;
}

}  // namespace

std::vector<ListedProfile> ReadProfileList(const std::filesystem::path& softwareHive)
{
    std::vector<ListedProfile> profiles;
    const Hive hive = OpenHive(softwareHive);
    if (!hive) {
        return profiles;
    }
    const hive_node_h list = Node(hive.get(), {"Microsoft", "Windows NT", "CurrentVersion", "ProfileList"});
    if (list == 0) {
        return profiles;
    }
    std::unique_ptr<hive_node_h, decltype(&std::free)> children(hivex_node_children(hive.get(), list), &std::free);
    for (const hive_node_h* child = children.get(); child != nullptr && *child != 0; ++child) {
        std::unique_ptr<char, decltype(&std::free)> sid(hivex_node_name(hive.get(), *child), &std::free);
        if (auto path = StringValue(hive.get(), *child, "ProfileImagePath")) {
            profiles.push_back({sid ? sid.get() : "", *path});
        }
    }
    return profiles;
}

std::optional<std::string> ReadTimeZoneKeyName(const std::filesystem::path& systemHive)
{
    const Hive hive = OpenHive(systemHive);
    if (!hive) {
        return std::nullopt;
    }
    // Select\Current names the control set in use; ControlSet001 when absent.
    int current = 1;
    if (const hive_node_h select = Node(hive.get(), {"Select"})) {
        if (const hive_value_h value = hivex_node_get_value(hive.get(), select, "Current")) {
            current = hivex_value_dword(hive.get(), value);
        }
    }
    char controlSet[32];
    std::snprintf(controlSet, sizeof controlSet, "ControlSet%03d", current > 0 && current < 1000 ? current : 1);
    const hive_node_h zone = Node(hive.get(), {controlSet, "Control", "TimeZoneInformation"});
    for (const char* name : {"TimeZoneKeyName", "StandardName"}) {
        if (auto value = StringValue(hive.get(), zone, name); value && !value->empty()) {
            return value;
        }
    }
    return std::nullopt;
}

std::string VolumePathOfProfile(const std::string& imagePath)
{
    std::string path;
    for (char c : imagePath) {
        path += c == '\\' ? '/' : c;
    }
    const std::string lower = ToLowerAscii(path);
    std::string rest;
    if (lower.starts_with("%systemroot%/")) {
        return "Windows/" + path.substr(13);
    }
    if (lower.starts_with("%systemdrive%/")) {
        rest = path.substr(14);
    } else if (lower.size() > 3 && lower[1] == ':' && lower[2] == '/' && lower[0] >= 'a' && lower[0] <= 'z') {
        rest = path.substr(3);
    } else {
        return {};
    }
    return rest;
}

}  // namespace trovana::image

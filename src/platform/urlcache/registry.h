// SPDX-License-Identifier: GPL-3.0-or-later
// A reader of the registry text files Wine keeps in a prefix (user.reg,
// system.reg). Only string values are kept; that is all the cache locator
// needs from them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::urlcache {

inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_MULTI_SZ = 7;

struct RegistryValue {
    uint32_t type = REG_SZ;
    std::string data;  // UTF-8, without the terminating NUL
};

class RegistryText {
public:
    // Reads the keys named in `keys` (all keys when it is empty) from the text
    // of a Wine registry file. Key and value names are matched without regard
    // to ASCII case, as the registry matches them. Lines it does not
    // understand are skipped.
    static RegistryText Parse(std::string_view text, const std::vector<std::string>& keys = {});
    // The same from a file; none when the file cannot be read.
    static std::optional<RegistryText> Load(const std::filesystem::path& file,
                                            const std::vector<std::string>& keys = {});

    bool HasKey(std::string_view key) const;
    // A string value (REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ); null when the key
    // or the value is missing or holds another type. "" names the default value.
    const RegistryValue* Value(std::string_view key, std::string_view name) const;

private:
    // lower-cased key path -> lower-cased value name -> value
    std::map<std::string, std::map<std::string, RegistryValue>> m_keys;
};

}  // namespace trovana::urlcache

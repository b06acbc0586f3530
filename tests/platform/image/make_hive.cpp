// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the registry hives of the image fixture: an empty hive laid out
// byte by byte (a base block, one bin with the root key and its security
// cell), then keys and values added through hivex's writer.
//   make_hive software FILE: ProfileList with two profiles
//   make_hive system FILE:   the time zone of ControlSet002 (Select\Current 2)
#include <hivex.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + i] = uint8_t(v >> (8 * i));
    }
}

constexpr uint32_t kNone = 0xFFFFFFFF;

std::vector<uint8_t> EmptyHive()
{
    std::vector<uint8_t> hive(8192);
    // The base block.
    std::memcpy(&hive[0], "regf", 4);
    Put32(hive, 0x04, 1);
    Put32(hive, 0x08, 1);
    Put32(hive, 0x14, 1);  // version 1.3
    Put32(hive, 0x18, 3);
    Put32(hive, 0x20, 1);
    Put32(hive, 0x24, 0x20);  // the root key's cell, from the first bin
    Put32(hive, 0x28, 4096);
    Put32(hive, 0x2C, 1);
    uint32_t sum = 0;
    for (size_t at = 0; at < 0x1FC; at += 4) {
        sum ^= uint32_t(hive[at]) | uint32_t(hive[at + 1]) << 8 | uint32_t(hive[at + 2]) << 16 |
               uint32_t(hive[at + 3]) << 24;
    }
    Put32(hive, 0x1FC, sum);
    // One bin.
    const size_t bin = 4096;
    std::memcpy(&hive[bin], "hbin", 4);
    Put32(hive, bin + 8, 4096);
    // The root key at 0x20, named ROOT.
    const size_t nk = bin + 0x20;
    const uint32_t nkSize = 0x50 + 4 + 4;  // 0x4C of fields, 4 of name, rounded to 8 with the size
    Put32(hive, nk, uint32_t(-int32_t(nkSize)));
    std::memcpy(&hive[nk + 4], "nk", 2);
    Put16(hive, nk + 4 + 0x02, 0x2C);
    Put32(hive, nk + 4 + 0x10, kNone);
    Put32(hive, nk + 4 + 0x1C, kNone);
    Put32(hive, nk + 4 + 0x20, kNone);
    Put32(hive, nk + 4 + 0x28, kNone);
    const uint32_t sk = 0x20 + nkSize;
    Put32(hive, nk + 4 + 0x2C, sk);
    Put32(hive, nk + 4 + 0x30, kNone);
    Put16(hive, nk + 4 + 0x48, 4);
    std::memcpy(&hive[nk + 4 + 0x4C], "ROOT", 4);
    // Its security: a self-relative descriptor without owner or lists.
    const size_t skAt = bin + sk;
    const uint32_t skSize = 4 + 0x14 + 20;
    Put32(hive, skAt, uint32_t(-int32_t(skSize)));
    std::memcpy(&hive[skAt + 4], "sk", 2);
    Put32(hive, skAt + 4 + 0x04, sk);
    Put32(hive, skAt + 4 + 0x08, sk);
    Put32(hive, skAt + 4 + 0x0C, 1);
    Put32(hive, skAt + 4 + 0x10, 20);
    hive[skAt + 4 + 0x14] = 1;
    Put16(hive, skAt + 4 + 0x16, 0x8000);
    // The rest of the bin is one free cell.
    const uint32_t used = sk + skSize;
    Put32(hive, bin + used, 4096 - used);
    return hive;
}

std::string Utf16(const std::string& ascii)
{
    std::string text;
    for (char c : ascii) {
        text += c;
        text += '\0';
    }
    return text + std::string(2, '\0');
}

hive_node_h Key(hive_h* h, hive_node_h parent, const char* name)
{
    const hive_node_h node = hivex_node_add_child(h, parent, name);
    if (node == 0) {
        std::perror(name);
        std::exit(1);
    }
    return node;
}

void Value(hive_h* h, hive_node_h node, const char* name, hive_type type, std::string data)
{
    hive_set_value value{const_cast<char*>(name), type, data.size(), data.data()};
    if (hivex_node_set_value(h, node, &value, 0) != 0) {
        std::perror(name);
        std::exit(1);
    }
}

hive_node_h Path(hive_h* h, std::initializer_list<const char*> names)
{
    hive_node_h node = hivex_root(h);
    for (const char* name : names) {
        node = Key(h, node, name);
    }
    return node;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_hive software|system FILE\n");
        return 2;
    }
    const std::string kind = argv[1];
    const std::string file = argv[2];
    {
        const std::vector<uint8_t> bytes = EmptyHive();
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
    if (h == nullptr) {
        std::perror(file.c_str());
        return 1;
    }
    if (kind == "software") {
        const hive_node_h list = Path(h, {"Microsoft", "Windows NT", "CurrentVersion", "ProfileList"});
        Value(h, Key(h, list, "S-1-5-18"), "ProfileImagePath", hive_t_REG_EXPAND_SZ,
              Utf16("%systemroot%\\system32\\config\\systemprofile"));
        Value(h, Key(h, list, "S-1-5-21-1004336348-1177238915-682003330-1001"), "ProfileImagePath",
              hive_t_REG_EXPAND_SZ, Utf16("C:\\Profiles\\listeduser"));
        Value(h, Key(h, list, "S-1-5-21-1004336348-1177238915-682003330-1002"), "ProfileImagePath",
              hive_t_REG_EXPAND_SZ, Utf16("%SystemDrive%\\Users\\sevenuser"));
    } else {
        Value(h, Path(h, {"Select"}), "Current", hive_t_REG_DWORD, std::string("\x02\x00\x00\x00", 4));
        Value(h, Path(h, {"ControlSet001", "Control", "TimeZoneInformation"}), "TimeZoneKeyName", hive_t_REG_SZ,
              Utf16("Pacific Standard Time"));
        Value(h, Path(h, {"ControlSet002", "Control", "TimeZoneInformation"}), "TimeZoneKeyName", hive_t_REG_SZ,
              Utf16("W. Europe Standard Time"));
    }
    if (hivex_commit(h, nullptr, 0) != 0) {
        std::perror("commit");
        return 1;
    }
    hivex_close(h);
    return 0;
}

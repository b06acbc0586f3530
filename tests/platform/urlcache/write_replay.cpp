// SPDX-License-Identifier: GPL-3.0-or-later
#include "write_replay.h"

#include "container.h"
#include "test_support.h"

#include <algorithm>
#include <stdexcept>

namespace trovana::urlcache::test {

std::vector<uint8_t> RecordedChange::After(size_t k) const
{
    std::vector<uint8_t> bytes = before;
    for (size_t i = 0; i < k && i < writes.size(); ++i) {
        const IndexWrite& write = writes[i];
        if (write.offset > bytes.size() || write.bytes.size() > bytes.size() - write.offset)
            throw std::out_of_range("write " + std::to_string(i) + " lies outside the index");
        std::copy(write.bytes.begin(), write.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(write.offset));
    }
    return bytes;
}

std::vector<std::vector<uint8_t>> RecordedChange::EveryInterruption() const
{
    std::vector<std::vector<uint8_t>> files;
    for (size_t k = 0; k <= writes.size(); ++k)
        files.push_back(After(k));
    return files;
}

RecordedChange RecordChange(const ContainerLocation& where, const Change& change, const std::filesystem::path& watched)
{
    RecordedChange recorded;
    recorded.before = ReadBytes(where.folder / "index.dat");
    Container container(where, {});
    container.SetWriteObserver([&](uint64_t offset, std::string_view bytes) {
        recorded.writes.push_back({offset, std::string(bytes), !watched.empty() && std::filesystem::exists(watched)});
    });
    ContainerWriter writer(container, false);
    recorded.result = change(writer);
    recorded.finish = writer.Finish();
    return recorded;
}

}  // namespace trovana::urlcache::test

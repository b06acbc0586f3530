// SPDX-License-Identifier: GPL-3.0-or-later
#include "rowstore.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "ascii.h"
#include "sorted_order.h"

namespace trovana {

namespace {

// A chunk is split in two when it grows past this many rows.
constexpr size_t kMaxChunkRows = 512;

const ListRow& EmptyRow()
{
    static const ListRow empty;
    return empty;
}

}  // namespace

bool RowStore::Locate(int row, Position& position) const
{
    if (row < 0 || row >= m_count) {
        return false;
    }
    // The last chunk that starts at or before the row; no chunk is empty.
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), row);
    const size_t chunk = static_cast<size_t>(after - m_starts.begin()) - 1;
    position = {chunk, static_cast<size_t>(row - m_starts[chunk])};
    return true;
}

void RowStore::CountStartsFrom(size_t chunk)
{
    m_starts.resize(m_chunks.size());
    for (size_t c = chunk; c < m_chunks.size(); ++c)
        m_starts[c] = c == 0 ? 0 : m_starts[c - 1] + static_cast<int>(m_chunks[c - 1].size());
}

ListRow* RowStore::Find(int row)
{
    Position position{};
    return Locate(row, position) ? &m_chunks[position.chunk][position.offset] : nullptr;
}

const ListRow* RowStore::Find(int row) const
{
    Position position{};
    return Locate(row, position) ? &m_chunks[position.chunk][position.offset] : nullptr;
}

int RowStore::InsertRow(int index, std::string text, int image)
{
    ListRow row;
    row.texts[0] = std::move(text);
    row.image = image;
    return InsertRow(index, std::move(row));
}

int RowStore::InsertRow(int index, ListRow row)
{
    index = std::clamp(index, 0, m_count);
    if (row.selected) {
        ++m_selectedCount;
    }
    // Appending (as a scan does) fills the last chunk and then starts a
    // new one, so that a list built from the top leaves full chunks.
    if (index == m_count && (m_chunks.empty() || m_chunks.back().size() == kMaxChunkRows)) {
        m_chunks.emplace_back().reserve(kMaxChunkRows);
    }
    // A row at a chunk boundary goes to the end of the earlier chunk.
    size_t offset = static_cast<size_t>(index);
    size_t chunk = 0;
    if (index == m_count) {
        chunk = m_chunks.size() - 1;
        offset = m_chunks[chunk].size();
    }
    while (offset > m_chunks[chunk].size()) {
        offset -= m_chunks[chunk].size();
        ++chunk;
    }
    std::vector<ListRow>& rows = m_chunks[chunk];
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(offset), std::move(row));
    if (rows.size() > kMaxChunkRows) {
        const auto half = rows.begin() + static_cast<std::ptrdiff_t>(rows.size() / 2);
        std::vector<ListRow> tail(std::make_move_iterator(half), std::make_move_iterator(rows.end()));
        rows.erase(half, rows.end());
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk) + 1, std::move(tail));
    }
    ++m_count;
    CountStartsFrom(chunk);
    return index;
}

bool RowStore::Modify(int row, const std::function<void(ListRow&)>& change)
{
    ListRow* target = Find(row);
    if (target == nullptr) {
        return false;
    }
    change(*target);
    return true;
}

bool RowStore::SetText(int row, int column, std::string text)
{
    if (column < 0 || column >= ListRow::kColumnCount) {
        return false;
    }
    return Modify(row, [&](ListRow& target) { target.texts[static_cast<size_t>(column)] = std::move(text); });
}

const std::string& RowStore::Text(int row, int column) const
{
    if (column < 0 || column >= ListRow::kColumnCount) {
        return EmptyRow().texts[0];
    }
    return Row(row).texts[static_cast<size_t>(column)];
}

bool RowStore::SetItemData(int row, intptr_t data)
{
    return Modify(row, [data](ListRow& target) { target.itemData = data; });
}

intptr_t RowStore::ItemData(int row) const
{
    return Row(row).itemData;
}

bool RowStore::SetImage(int row, int image)
{
    return Modify(row, [image](ListRow& target) { target.image = image; });
}

int RowStore::Image(int row) const
{
    return Row(row).image;
}

const ListRow& RowStore::Row(int row) const
{
    const ListRow* found = Find(row);
    return found != nullptr ? *found : EmptyRow();
}

bool RowStore::SetSelected(int row, bool selected)
{
    return Modify(row, [this, selected](ListRow& target) {
        if (target.selected != selected) {
            target.selected = selected;
            m_selectedCount += selected ? 1 : -1;
        }
    });
}

void RowStore::SelectAll(bool selected)
{
    for (auto& chunk : m_chunks) {
        for (auto& row : chunk) {
            row.selected = selected;
        }
    }
    m_selectedCount = selected ? m_count : 0;
}

bool RowStore::IsSelected(int row) const
{
    return Row(row).selected;
}

int RowStore::FindFrom(int after, const std::function<bool(const ListRow&)>& match) const
{
    int index = 0;
    for (const auto& chunk : m_chunks) {
        const int size = static_cast<int>(chunk.size());
        if (index + size > after + 1) {
            for (int i = std::max(0, after + 1 - index); i < size; ++i) {
                if (match(chunk[static_cast<size_t>(i)])) {
                    return index + i;
                }
            }
        }
        index += size;
    }
    return -1;
}

int RowStore::NextSelected(int after) const
{
    if (m_selectedCount == 0) {
        return -1;
    }
    return FindFrom(after, [](const ListRow& row) { return row.selected; });
}

int RowStore::FindText(std::string_view text, int after) const
{
    return FindFrom(after, [text](const ListRow& row) { return EqualsIgnoreAsciiCase(row.texts[0], text); });
}

void RowStore::ForEach(const std::function<void(ListRow&)>& visit)
{
    for (auto& chunk : m_chunks)
        std::for_each(chunk.begin(), chunk.end(), visit);
}

void RowStore::ForEach(const std::function<void(const ListRow&)>& visit) const
{
    for (const auto& chunk : m_chunks)
        std::for_each(chunk.begin(), chunk.end(), visit);
}

bool RowStore::DeleteRow(int row)
{
    Position position{};
    if (!Locate(row, position)) {
        return false;
    }
    std::vector<ListRow>& rows = m_chunks[position.chunk];
    if (rows[position.offset].selected) {
        --m_selectedCount;
    }
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(position.offset));
    if (rows.empty()) {
        m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(position.chunk));
    }
    --m_count;
    CountStartsFrom(position.chunk);
    return true;
}

void RowStore::DeleteAll()
{
    m_chunks.clear();
    m_starts.clear();
    m_count = 0;
    m_selectedCount = 0;
}

int RowStore::DeleteIf(const std::function<bool(const ListRow&)>& remove)
{
    const int before = m_count;
    for (std::vector<ListRow>& rows : m_chunks) {
        const auto kept = std::stable_partition(rows.begin(), rows.end(), [&](const ListRow& row) {
            return !remove(row);
        });
        for (auto gone = kept; gone != rows.end(); ++gone) {
            if (gone->selected)
                --m_selectedCount;
        }
        m_count -= static_cast<int>(rows.end() - kept);
        rows.erase(kept, rows.end());
    }
    std::erase_if(m_chunks, [](const std::vector<ListRow>& rows) { return rows.empty(); });
    CountStartsFrom(0);
    return before - m_count;
}

void RowStore::Sort(const Compare& compare)
{
    std::vector<const ListRow*> rows;
    rows.reserve(static_cast<size_t>(m_count));
    for (const auto& chunk : m_chunks)
        for (const ListRow& row : chunk)
            rows.push_back(&row);
    Reorder(StableSortedOrder(rows.size(), [&](size_t a, size_t b) { return compare(*rows[a], *rows[b]) < 0; }));
}

void RowStore::Reorder(const std::vector<size_t>& order)
{
    if (order.size() != static_cast<size_t>(m_count))
        return;
    // Each row is moved once, from its old chunk straight into its new one.
    std::vector<ListRow*> rows;
    rows.reserve(static_cast<size_t>(m_count));
    for (auto& chunk : m_chunks)
        for (ListRow& row : chunk)
            rows.push_back(&row);
    std::vector<std::vector<ListRow>> chunks;
    chunks.reserve(m_chunks.size());
    for (size_t i = 0; i < order.size(); ++i) {
        if (i % kMaxChunkRows == 0) {
            chunks.emplace_back();
            chunks.back().reserve(std::min(kMaxChunkRows, order.size() - i));
        }
        chunks.back().push_back(std::move(*rows[order[i]]));
    }
    m_chunks = std::move(chunks);
    CountStartsFrom(0);
}

}  // namespace trovana

// SPDX-License-Identifier: GPL-3.0-or-later
// The Images tab's gallery: the pages that show every listed picture that
// the cache still holds with its file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "entry_commands/entry_view.h"
#include "rowstore.h"

namespace trovana::entry_commands {

class GalleryCommand {
public:
    explicit GalleryCommand(EntryView& view) : m_view(view) {}

    struct Gallery {
        std::string page;     // the file URL of the gallery's frameset
        std::string lastUrl;  // the URL of the last row, which the preview names
    };
    // The address under which the preview asks for a cached URL.
    using AddressOf = std::function<std::string(std::string_view url)>;

    // Writes the gallery's pages for the rows' pictures, each shown through
    // its address; none (after saying why, when there is a reason to tell)
    // when the pages could not be written.
    std::optional<Gallery> Make(const RowStore& rows, const AddressOf& addressOf);

private:
    EntryView& m_view;
};

}  // namespace trovana::entry_commands

// Helpers of the deletions: the rows of deleted entries leave every list,
// the site tree loses what the deletions emptied, and a failed deletion is
// reported in the user's words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <wx/string.h>

#include "rowstore.h"

namespace trovana::catalogue {
class CNode;
}
namespace trovana::listview {
class CCacheListView;
}

namespace trovana::operations {

// How a failed deletion names the entry: "The item ..." for selected rows,
// "The file ..." for the entries of a site.
enum class EntryWording { Item, File };

// The reason shown for a WinINet error code; empty for codes without one.
wxString DeleteFailureText(uint32_t code, EntryWording wording);

// Deletes every row whose URL is one of urls (exactly, byte for byte) and
// returns the sum of their sizes.
int64_t RemoveRowsOf(RowStore& rows, const std::vector<std::string>& urls);

// Takes the rows of the URLs out of all three lists, and their sizes out of
// the lists' totals.
void RemoveListRows(listview::CCacheListView& view, const std::vector<std::string>& urls);

// Removes the nodes and tree items that deletions left without entries,
// from the selected node up to the first node that still holds entries.
void PruneSiteTree(listview::CCacheListView& view);

// Deletes the entries below node, reporting each failure; returns the URLs
// that were deleted.
std::vector<std::string> DeleteNodeEntries(listview::CCacheListView& view, const catalogue::CNode* node);

// Shows the gallery or a blank preview, and the status summary, after entries went.
void AfterDeletion(listview::CCacheListView& view);

}  // namespace trovana::operations

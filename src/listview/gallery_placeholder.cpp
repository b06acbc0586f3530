// PLACEHOLDER, to be deleted by the gallery's own implementation: until the
// image gallery exists, a sort or a change to the Images tab writes none.
#include "listview/cache_list_view.h"

namespace trovana::listview {

__attribute__((weak)) void CCacheListView::MakeGallery() {}

}  // namespace trovana::listview

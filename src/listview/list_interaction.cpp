// What the view does with the user's tabs, clicks, keys and commands. These
// operations are routed from the window already; their work is still to
// come, and until then they leave the lists as they are.
#include "listview/cache_list_view.h"

namespace trovana::listview {

void CCacheListView::RefreshCache() {}
void CCacheListView::CopySelected() {}
void CCacheListView::Search() {}
void CCacheListView::DeleteSelected() {}
void CCacheListView::DeleteAll(bool /*bAsk*/) {}
void CCacheListView::DeleteSite() {}
void CCacheListView::ShowCategory() {}
void CCacheListView::UpdateStatusSummary() {}
void CCacheListView::PreviewSelected() {}
void CCacheListView::OnProperties() {}

bool CCacheListView::HandleListKey(int /*keyCode*/, bool /*bCtrlDown*/)
{
    return false;
}

void CCacheListView::OnSelchangeTab()
{
    ShowCategory();
    UpdateStatusSummary();
}

void CCacheListView::OnClickList()
{
    PreviewSelected();
}

void CCacheListView::OnDblclkList()
{
    OnProperties();
}

void CCacheListView::OnRclickList() {}

void CCacheListView::OnKeydownList(int keyCode, bool bCtrlDown)
{
    HandleListKey(keyCode, bCtrlDown);
}

void CCacheListView::OnColumnclickList(int /*column*/) {}

}  // namespace trovana::listview

// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/screen_fit.h"

#include <algorithm>

#include <gtk/gtk.h>
#include <wx/display.h>
#include <wx/toplevel.h>

namespace trovana::listview {

wxRect WorkAreaOf(const wxWindow* window)
{
    int index = window != nullptr ? wxDisplay::GetFromWindow(window) : wxNOT_FOUND;
    if (index == wxNOT_FOUND && window != nullptr && window->GetParent() != nullptr)
        index = wxDisplay::GetFromWindow(window->GetParent());
    return wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
}

void FitOnScreen(wxTopLevelWindow& window)
{
    const wxRect area = WorkAreaOf(&window);
    wxSize size = window.GetSize();
    if (size.x > area.width || size.y > area.height) {
        size.DecTo(area.GetSize());
        wxSize minimum = window.GetMinSize();
        if (minimum != wxDefaultSize) {
            minimum.DecTo(size);
            window.SetMinSize(minimum);
        }
        window.SetSize(size);
    }
    wxRect rect(window.GetPosition(), window.GetSize());
    if (!area.Contains(rect)) {
        const wxWindow* parent = window.GetParent();
        const wxRect around = parent != nullptr ? parent->GetScreenRect() : area;
        rect = rect.CentreIn(around);
    }
    // Whatever it was centred on, it stays inside the area.
    rect.x = std::clamp(rect.x, area.x, area.GetRight() + 1 - rect.width);
    rect.y = std::clamp(rect.y, area.y, area.GetBottom() + 1 - rect.height);
    window.Move(rect.GetPosition());
}

namespace {
// Without a window manager nobody gives a new window the keyboard: it takes
// it itself once it is on the screen, so that Return and Escape answer it.
gboolean TakeFocusWhenMapped(GtkWidget* widget, GdkEvent*, gpointer)
{
    if (GdkWindow* window = gtk_widget_get_window(widget))
        gdk_window_focus(window, GDK_CURRENT_TIME);
    return FALSE;
}
}  // namespace

void FitNativeDialog(wxTopLevelWindow& dialog)
{
    GtkWindow* window = GTK_WINDOW(dialog.GetHandle());
    if (window == nullptr)
        return;
    const wxRect area = WorkAreaOf(dialog.GetParent());
    // The toolkit keeps a window within its size hints without a window
    // manager too; a frame of a window manager is left room for.
    constexpr int kFrameRoom = 40;
    GdkGeometry hints{};
    hints.max_width = std::max(1, area.width - kFrameRoom / 2);
    hints.max_height = std::max(1, area.height - kFrameRoom);
    gtk_window_set_geometry_hints(window, nullptr, &hints, GDK_HINT_MAX_SIZE);
    gtk_window_set_position(window, dialog.GetParent() != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    g_signal_connect(window, "map-event", G_CALLBACK(TakeFocusWhenMapped), nullptr);
}

}  // namespace trovana::listview

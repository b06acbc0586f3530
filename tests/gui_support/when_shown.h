// SPDX-License-Identifier: GPL-3.0-or-later
// Acting inside a modal dialog that the window under test opens itself.
#pragma once

#include <functional>
#include <utility>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/eventfilter.h>

#include "gui_test.h"

namespace trovana::test {

// Runs `whileOpen` inside the modal loop of the next dialog of type T that
// is shown, however it is opened (by keys, say); the dialog is cancelled
// afterwards if it is still open.
template <class T>
class WhenShown final : public wxEventFilter {
public:
    explicit WhenShown(std::function<void(T&)> whileOpen) : m_whileOpen(std::move(whileOpen))
    {
        wxEvtHandler::AddFilter(this);
    }
    ~WhenShown() override { wxEvtHandler::RemoveFilter(this); }
    WhenShown(const WhenShown&) = delete;
    WhenShown& operator=(const WhenShown&) = delete;

    int FilterEvent(wxEvent& event) override
    {
        if (auto* dialog = dynamic_cast<T*>(event.GetEventObject());
            dialog != nullptr && event.GetEventType() == wxEVT_INIT_DIALOG) {
            wxTheApp->CallAfter([this, dialog] {
                if (WaitUntil([dialog] { return dialog->IsShownOnScreen(); }))
                    m_whileOpen(*dialog);
                if (dialog->IsModal())
                    dialog->EndModal(wxID_CANCEL);
            });
        }
        return Event_Skip;
    }

private:
    std::function<void(T&)> m_whileOpen;
};

}  // namespace trovana::test

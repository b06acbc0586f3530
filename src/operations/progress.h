// SPDX-License-Identifier: GPL-3.0-or-later
// The signs of a long loop over rows: the wait cursor and the percentage in
// the status bar's progress control, both through the view's busy indicator.
#pragma once

#include "busy_indicator.h"
#include "operations/search_match.h"

namespace trovana::operations {

// Sets the wait cursor for its lifetime; the sink reports to the progress
// control, which is back at 0 afterwards.
class RowProgress {
public:
    explicit RowProgress(BusyIndicator& busy)
        : m_busy(busy), m_sink([&busy](int percent) { busy.SetProgress(percent); })
    {
        m_busy.SetWaitCursor();
    }
    ~RowProgress()
    {
        m_busy.SetProgress(0);
        m_busy.SetArrowCursor();
    }
    RowProgress(const RowProgress&) = delete;
    RowProgress& operator=(const RowProgress&) = delete;

    const ProgressSink& Sink() const { return m_sink; }

private:
    BusyIndicator& m_busy;
    ProgressSink m_sink;
};

}  // namespace trovana::operations

// SPDX-License-Identifier: GPL-3.0-or-later
// The signs of a long loop over rows: the wait cursor and the percentage in
// the status bar's progress control, both through the view's busy indicator.
#pragma once

#include <algorithm>
#include <cstddef>

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
        // Setting the control paints the window, over a question just answered.
        m_busy.SetProgress(0);
    }
    ~RowProgress()
    {
        m_busy.SetProgress(0);
        m_busy.SetArrowCursor();
    }
    RowProgress(const RowProgress&) = delete;
    RowProgress& operator=(const RowProgress&) = delete;

    const ProgressSink& Sink() const { return m_sink; }

    // Reports row `done` of `count` about twelve times over the whole loop:
    // at every multiple of count / 12 (at least 1).
    void Row(size_t done, size_t count) const
    {
        const size_t step = std::max<size_t>(1, count / 12);
        if (count > 0 && done % step == 0)
            m_sink(static_cast<int>(done * 100 / count));
    }

private:
    BusyIndicator& m_busy;
    ProgressSink m_sink;
};

}  // namespace trovana::operations

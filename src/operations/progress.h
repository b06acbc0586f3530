// The signs of a long loop over rows: the wait cursor and the percentage in
// the status bar's progress control of the window the view belongs to.
#pragma once

#include "operations/search_match.h"

class wxWindow;

namespace trovana::operations {

// Sets the wait cursor for its lifetime and reports to the progress control
// of the status bar of window's frame (nothing when there is none).
class RowProgress {
public:
    explicit RowProgress(wxWindow* window);
    ~RowProgress();
    RowProgress(const RowProgress&) = delete;
    RowProgress& operator=(const RowProgress&) = delete;

    const ProgressSink& Sink() const { return m_sink; }

private:
    ProgressSink m_sink;
};

}  // namespace trovana::operations

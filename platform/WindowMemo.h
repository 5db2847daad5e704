#pragma once
// One answer about a window, asked of the system once while the same window is asked about.
#include "platform/WindowQueries.h"

#include <optional>
#include <utility>

namespace lumora {

// Keeps the answer for the last window asked about. Its thread tells a window handle the
// system gave out again apart from the one the answer was for.
template <class T> class WindowMemo {
public:
    // The answer for w: ask() when w is not the window of the kept answer.
    template <class Ask> const T& Get(WindowQueries& windows, HWindow w, Ask&& ask) {
        const ThreadId thread = windows.WindowThread(w);
        if (!answer_ || window_ != w || thread_ != thread) {
            answer_ = std::forward<Ask>(ask)();
            window_ = w;
            thread_ = thread;
        }
        return *answer_;
    }

private:
    HWindow window_ = 0;
    ThreadId thread_ = 0;
    std::optional<T> answer_;
};

} // namespace lumora

// Drives a window that runs its own modal loop (a pop-up menu, a modal dialog) from inside it.
#pragma once

#include <functional>

class QWidget;

// Runs `open` while polling every 10 ms, for at most 5 s, for `find` to return the window it shows;
// `answer` sees that window, which is closed afterwards unless `answer` closed it. False when no
// window showed in time.
bool WithShownWindow(const std::function<void()>& open, const std::function<QWidget*()>& find,
                     const std::function<void(QWidget&)>& answer);

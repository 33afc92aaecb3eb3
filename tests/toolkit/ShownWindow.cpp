#include "ShownWindow.h"

#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

bool WithShownWindow(const std::function<void()>& open, const std::function<QWidget*()>& find,
                     const std::function<void(QWidget&)>& answer)
{
    bool bSeen = false;
    const QDeadlineTimer deadline(5000);
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (QWidget* pWindow = find()) {
            poll.stop();
            bSeen = true;
            answer(*pWindow);
            if (pWindow->isVisible())
                pWindow->close();
        } else if (deadline.hasExpired()) {
            poll.stop();
        }
    });
    poll.start();
    open();
    poll.stop();
    return bSeen;
}

// The help tip's text request: a custom event sent synchronously to the widget under a resting
// pointer. A widget that has a text for the tip writes it into the request and accepts the event.
#pragma once

#include <QEvent>
#include <QString>

// The notification code of the text request; also the event type asked for at registration.
constexpr int HTN_GETTEXT = 10000;

struct TIPREQUEST {
    int nId = 0;     // id of the control asked (the tip's original control, even when redirected)
    int x = 0;       // pointer position, screen coordinates
    int y = 0;
    QString szText;  // the answer; only texts shorter than kMaxTipText characters are given
};

// Longest answer plus one: a text must be shorter than this.
constexpr int kMaxTipText = 512;

class CTipRequestEvent : public QEvent {
public:
    explicit CTipRequestEvent(const TIPREQUEST& request)
        : QEvent(type())
        , m_request(request)
    {
    }

    // Registered once per process, HTN_GETTEXT when that number is still free.
    static QEvent::Type type()
    {
        static const auto eventType = static_cast<QEvent::Type>(QEvent::registerEventType(HTN_GETTEXT));
        return eventType;
    }

    TIPREQUEST& Request() { return m_request; }

private:
    TIPREQUEST m_request;
};

// The help tip's text request. The tip window sends it synchronously (QCoreApplication::sendEvent)
// to the widget under a resting pointer, or to the widget that one is redirected to. A widget with
// a tip answers in its event(): when `code` is HTN_GETTEXT and `hwndFrom` is the widget itself, it
// copies its text with SetText (a dialog picks the text by `idFrom`) and returns true. It may also
// move the proposed position (x, y): the tip window reads both back. An empty szText means no tip.
#pragma once

#include <QEvent>
#include <QString>
#include <QtGlobal>

class QWidget;

// The request's code, and the number of its event type.
inline constexpr unsigned HTN_GETTEXT = 10000;

struct TIPREQUEST : QEvent {
    // szText always holds fewer characters than this.
    static constexpr qsizetype kTextMax = 512;

    // The event type: HTN_GETTEXT, reserved with Qt once per process (Qt hands out another free
    // number should something else have taken it first).
    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType(HTN_GETTEXT));
        return type;
    }

    TIPREQUEST()
        : QEvent(EventType())
    {
    }

    // Takes the answer when it is shorter than kTextMax characters; false (szText unchanged)
    // otherwise.
    bool SetText(const QString& text)
    {
        if (text.size() >= kTextMax)
            return false;
        szText = text;
        return true;
    }

    QWidget* hwndFrom = nullptr; // the widget asked (after redirection)
    unsigned idFrom = 0;         // control id of the widget under the pointer, before redirection; 0 for none
    unsigned code = HTN_GETTEXT;
    int x = 0;                   // proposed left edge of the tip, screen coordinates
    int y = 0;                   // proposed top edge
    quint32 dwFlags = 0;         // the tip window's flags
    QString szText;              // the answer; empty when nobody answered
};

#pragma once

#include <QString>
#include <qcorotask.h>

// Immediate local notifications shown by the desktop.
class SystemNotifications
{
public:
    struct Request
    {
        // Unique per request: a new identifier is a new notification, never a replacement.
        QString identifier;
        QString title;
        QString body;
        bool defaultSound = true;
    };

    virtual ~SystemNotifications();

    // Asks to show alerts with sound; true when notifications can be shown. Never throws.
    virtual QCoro::Task<bool> requestAuthorization() = 0;
    // Hands the request to the desktop; true when it was accepted. Never throws.
    virtual QCoro::Task<bool> add(Request request) = 0;
};

#include "platform/Notice.h"

#include <QtGlobal>

#include <mutex>

namespace {

std::mutex& HandlerLock()
{
    static std::mutex lock;
    return lock;
}

TNoticeHandler& Handler()
{
    static TNoticeHandler handler;
    return handler;
}

} // namespace

TNoticeHandler SetNoticeHandler(TNoticeHandler AHandler)
{
    std::lock_guard guard(HandlerLock());
    TNoticeHandler old = std::move(Handler());
    Handler() = std::move(AHandler);
    return old;
}

void ShowNotice(TNoticeKind AKind, const QString& AText)
{
    TNoticeHandler handler;
    {
        std::lock_guard guard(HandlerLock());
        handler = Handler();
    }
    if (handler) {
        handler(AKind, AText);
        return;
    }
    if (AKind == TNoticeKind::nkError)
        qCritical("%s", qUtf8Printable(AText));
    else
        qWarning("%s", qUtf8Printable(AText));
}

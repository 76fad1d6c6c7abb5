#pragma once

#include <QString>

#include <functional>

// Notices the platform layer gives the user (a settings store moved aside, an error no handler caught).
// The default handler only logs; the shell installs one that shows the matching message box.
enum class TNoticeKind { nkWarning, nkError };

using TNoticeHandler = std::function<void(TNoticeKind AKind, const QString& AText)>;

// Installs AHandler (an empty function restores the logging default); returns the previous handler.
TNoticeHandler SetNoticeHandler(TNoticeHandler AHandler);
void ShowNotice(TNoticeKind AKind, const QString& AText);

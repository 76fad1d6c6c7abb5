#pragma once
// The desktop's side of a file-type registration: a desktop entry for the program and the user's
// default application for a media type, following the XDG desktop entry and MIME applications rules.

#include <QString>

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path.
QString UserDataHome();
// $XDG_CONFIG_HOME, or ~/.config when it is unset or not an absolute path.
QString UserConfigHome();
// $XDG_DATA_HOME/applications: where the user's own desktop entries live.
QString UserApplicationsFolder();
// $XDG_CONFIG_HOME/mimeapps.list.
QString UserMimeAppsList();

// The media type the desktop gives files with the extension (".json" gives "application/json");
// empty when the extension has none of its own.
QString MediaTypeOfExtension(const QString& AExtension);
// The id of the desktop entry that registers the program for a class: "ravek-quillon-json.desktop".
QString DesktopEntryId(const QString& AClassName);

// An executable path as one argument of an Exec key, with the quoting and escapes that key needs.
QString DesktopExecArgument(const QString& AExecutable);
// The text of a desktop entry that opens files of AMediaType with AExecutable; it stays out of menus,
// where the installed entry of the program shows.
QString DesktopEntryText(const QString& AName, const QString& AExecutable, const QString& AMediaType);

// AText (a mimeapps.list) with ADesktopId put first in the "[Default Applications]" list of
// AMediaType (AOn), or taken out of it (off; a line left without entries goes). Every other line and
// section stays as it was; a missing section or line is added at its end.
QString EditMimeAppsList(
    const QString& AText, const QString& AMediaType, const QString& ADesktopId, bool AOn);

// Writes the desktop entry ADesktopId and makes it the default for AMediaType; false when a file
// could not be written.
bool InstallDesktopAssociation(
    const QString& ADesktopId, const QString& AName, const QString& AExecutable, const QString& AMediaType);
// Removes ADesktopId as the default for AMediaType and deletes the entry; false when a file could not be
// written or deleted.
bool RemoveDesktopAssociation(const QString& ADesktopId, const QString& AMediaType);
// Lets the desktop rebuild its cache of media types and their applications, where the tool for it is
// installed; nothing is reported when it is not or when it fails.
void NotifyDesktopAssociationChanged();

#pragma once
// Registration of the program as the current user's handler of a file type, and the query behind the
// "Default Quillon" option.
//
// The per-user hive holds what the program itself reads back (all default values of type REG_SZ):
//   Software\Classes\<.ext>                       class name
//   Software\Classes\<class>                      description
//   Software\Classes\<class>\DefaultIcon          icon reference
//   Software\Classes\<class>\shell\open\command   executable, a blank, "%1" in double quotes
// The desktop learns of it through a desktop entry for the class in $XDG_DATA_HOME/applications, made
// the user's default for the extension's media type in $XDG_CONFIG_HOME/mimeapps.list.
//
// The extension may be given with one leading dot, without it or with several dots: every dot is
// removed and one put in front. An empty extension or class name makes every routine do nothing.

#include <QString>

class TRegistryHive;

// Writes the keys above (missing keys created, keys that cannot be opened skipped), then the desktop
// entry and the default application, and lets the desktop refresh its cache. Nothing happens when the
// executable is empty. A value the store refuses raises ERegistryException.
void RegisterFileType(TRegistryHive& AHive, const QString& AExtension, const QString& AClassName,
    const QString& ADescription, const QString& AIcon, const QString& AExecutable);
// Detaches the extension when it names the class (its value becomes empty; the key stays), deletes the
// class's keys whether or not the extension pointed to it, and removes our desktop entry and our
// default; every other entry of mimeapps.list stays.
void UnregisterFileType(TRegistryHive& AHive, const QString& AExtension, const QString& AClassName);
// The executable of the class's open command: the text between the first two double quotes when the
// command begins with one, otherwise the trimmed text before the first double quote; empty when the
// command is missing or holds no double quote at all. The extension key is not consulted.
QString GetFileTypeCommand(TRegistryHive& AHive, const QString& AExtension, const QString& AClassName);

// The same on the current user's hive.
void RegisterFileType(const QString& AExtension, const QString& AClassName, const QString& ADescription,
    const QString& AIcon, const QString& AExecutable);
void UnregisterFileType(const QString& AExtension, const QString& AClassName);
QString GetFileTypeCommand(const QString& AExtension, const QString& AClassName);

// The extension as the keys use it: every dot removed and one put in front; empty when nothing is left.
QString NormalizeExtension(const QString& AExtension);

#pragma once
// The program's version information, read from the section ".quillon.version" of an executable, where
// the build writes the version block (codecs/VersionBlock.h).

#include "codecs/VersionBlock.h"

#include <QString>

// Fills INFO from the version block of the executable at PATH. INFO is cleared and its FileName set
// first; false (the rest left empty) when the file has no block or its block is damaged.
bool ReadVersionInfo(const QString& path, TVersionInfo& info);

// The path of the running executable.
QString ProgramFilePath();

// The program's own version information, read once at start-up; the About dialog shows it.
extern TVersionInfo AppVersionInfo;

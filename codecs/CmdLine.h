#pragma once
// The command line as an ordered list of items (FSL) plus one record per switch item.
//
// An item is a switch when it begins with "-" or "/"; the program itself offers no switch, so callers
// read only the items (every item naming an existing file is opened).

#include <QList>
#include <QString>
#include <QStringList>

struct TSwitch {
    QString Switch; // the item without its first character and without the part from the first ":" on
    QString Parameter; // the text after the first ":", at most 260 characters
    QStringList Parameters; // Parameter split at ";", filled only when it holds a ";"
    bool Present = false; // true in every stored record
};
using TSwitches = QList<TSwitch>;

class TCommandLine {
public:
    // The process's own arguments, the program path excluded.
    TCommandLine();
    // One item per line of CMDLINE: lines end at CR, LF or CR LF; a break at the very end adds no
    // empty item; a NUL character ends the text.
    explicit TCommandLine(const QString& ACmdLine);
    // The given arguments, each one item.
    explicit TCommandLine(const QStringList& AArguments);
    ~TCommandLine();

    // Forgets the switch records (the items stay).
    void Clear();

    // The arguments of this process as the system passed them, the program path excluded.
    static QStringList ProcessArguments();

    QStringList FSL; // every item in order, switches included, duplicates kept
    TSwitches FSwitches; // one record per switch item, in item order

private:
    void AddItem(const QString& AItem);
};

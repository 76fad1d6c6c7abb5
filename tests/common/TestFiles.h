#pragma once
// Reading and writing whole files in tests: a failed write fails the test where it happens.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The file's bytes, or "<unreadable>" when it cannot be opened.
inline QByteArray ReadAll(const QString& APath)
{
    QFile file(APath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void WriteFile(const QString& APath, const QByteArray& AData)
{
    QFile file(APath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(AData), AData.size());
}

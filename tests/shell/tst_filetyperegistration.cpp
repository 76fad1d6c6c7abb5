// File-type registration: the hive keys with their dot, skip and quote rules, and the desktop's side
// (desktop entry and mimeapps.list) with the XDG folders redirected to a temporary one.
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/DesktopAssociation.h"
#include "shell/FileTypeRegistration.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {
const QString Classes = QStringLiteral("Software\\Classes\\");

QString ReadText(TRegistryHive& AHive, const QString& AKey)
{
    TRegistryValue value;
    if (AHive.QueryValue(AKey, QString(), value) != TRegistryResult::rrOk)
        return QStringLiteral("<missing>");
    QString text;
    for (qsizetype i = 0; i + 1 < value.Data.size(); i += 2) {
        const quint16 c = qFromLittleEndian<quint16>(value.Data.constData() + i);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

void WriteText(TRegistryHive& AHive, const QString& AKey, const QString& AText)
{
    AHive.SetValue(AKey, QString(), REG_SZ, TLayoutManagerRegistryStorage::EncodeString(AText));
}

QString FileText(const QString& APath)
{
    QFile file(APath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

} // namespace

class TestFileTypeRegistration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void registerWritesKeys_data();
    void registerWritesKeys();
    void commandQuery_data();
    void commandQuery();
    void unregister_data();
    void unregister();
    void execArgument_data();
    void execArgument();
    void mimeAppsEdits_data();
    void mimeAppsEdits();
    void desktopSide();

private:
    std::unique_ptr<QTemporaryDir> FDir;
    std::shared_ptr<TRegistryHive> FHive;
};

void TestFileTypeRegistration::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    qputenv("XDG_DATA_HOME", (FDir->path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (FDir->path() + QStringLiteral("/config")).toLocal8Bit());
    FHive = TRegistryHive::Open(FDir->path() + QStringLiteral("/registry.db"));
    QVERIFY(FHive->IsPersistent());
}

void TestFileTypeRegistration::cleanup()
{
    FHive.reset();
    FDir.reset();
}

void TestFileTypeRegistration::registerWritesKeys_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("extensionKey"); // empty: nothing may be written
    QTest::newRow("one dot") << ".json"
                             << "JSON"
                             << "/usr/bin/ravek-quillon"
                             << ".json";
    QTest::newRow("no dot") << "json"
                            << "JSON"
                            << "/usr/bin/ravek-quillon"
                            << ".json";
    QTest::newRow("several dots") << "..js.on."
                                  << "JSON"
                                  << "/usr/bin/ravek-quillon"
                                  << ".json";
    QTest::newRow("blank in the path") << ".json"
                                       << "JSON"
                                       << "/opt/my apps/ravek-quillon"
                                       << ".json";
    QTest::newRow("only dots") << "..."
                               << "JSON"
                               << "/usr/bin/ravek-quillon"
                               << "";
    QTest::newRow("empty extension") << ""
                                     << "JSON"
                                     << "/usr/bin/ravek-quillon"
                                     << "";
    QTest::newRow("empty class") << ".json"
                                 << ""
                                 << "/usr/bin/ravek-quillon"
                                 << "";
    QTest::newRow("empty executable") << ".json"
                                      << "JSON"
                                      << ""
                                      << "";
}

void TestFileTypeRegistration::registerWritesKeys()
{
    QFETCH(QString, extension);
    QFETCH(QString, className);
    QFETCH(QString, executable);
    QFETCH(QString, extensionKey);
    RegisterFileType(*FHive, extension, className, QStringLiteral("Ravek Quillon"),
        executable + QStringLiteral(",1"), executable);
    if (extensionKey.isEmpty()) {
        QVERIFY(FHive->SubKeyNames(QStringLiteral("Software")).isEmpty());
        QVERIFY(!QFile::exists(UserMimeAppsList()));
        QCOMPARE(GetFileTypeCommand(*FHive, extension, className), QString());
        return;
    }
    QCOMPARE(ReadText(*FHive, Classes + extensionKey), className);
    QCOMPARE(ReadText(*FHive, Classes + className), QStringLiteral("Ravek Quillon"));
    QCOMPARE(ReadText(*FHive, Classes + className + QStringLiteral("\\DefaultIcon")),
        executable + QStringLiteral(",1"));
    // Unquoted even with blanks; the query still gives exactly the path.
    QCOMPARE(ReadText(*FHive, Classes + className + QStringLiteral("\\shell\\open\\command")),
        executable + QStringLiteral(" \"%1\""));
    QCOMPARE(GetFileTypeCommand(*FHive, extension, className), executable);
}

void TestFileTypeRegistration::commandQuery_data()
{
    QTest::addColumn<QString>("command"); // "<missing>": no value at all
    QTest::addColumn<QString>("expected");
    QTest::newRow("as written") << "/usr/bin/q \"%1\""
                                << "/usr/bin/q";
    QTest::newRow("quoted path") << "\"/opt/my apps/q\" \"%1\""
                                 << "/opt/my apps/q";
    QTest::newRow("no quote at all") << "/usr/bin/q"
                                     << "";
    QTest::newRow("one quote only") << "\"/usr/bin/q %1"
                                    << "";
    QTest::newRow("blanks and controls trimmed") << " \t/usr/bin/q\x01 \"%1\""
                                                 << "/usr/bin/q";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("missing") << "<missing>"
                             << "";
}

void TestFileTypeRegistration::commandQuery()
{
    QFETCH(QString, command);
    QFETCH(QString, expected);
    if (command != QStringLiteral("<missing>"))
        WriteText(*FHive, Classes + QStringLiteral("JSON\\shell\\open\\command"), command);
    // The extension key is not consulted: it points elsewhere here.
    WriteText(*FHive, Classes + QStringLiteral(".json"), QStringLiteral("Other"));
    QCOMPARE(GetFileTypeCommand(*FHive, QStringLiteral("json"), QStringLiteral("JSON")), expected);
    QCOMPARE(GetFileTypeCommand(*FHive, QStringLiteral(""), QStringLiteral("JSON")), QString());
}

void TestFileTypeRegistration::unregister_data()
{
    QTest::addColumn<QString>("extensionValue");
    QTest::addColumn<QString>("expectedAfter");
    QTest::newRow("points to the class") << "JSON"
                                         << "";
    QTest::newRow("points to the class, other case") << "json"
                                                     << "";
    QTest::newRow("points to another class") << "OtherJSON"
                                             << "OtherJSON";
}

void TestFileTypeRegistration::unregister()
{
    QFETCH(QString, extensionValue);
    QFETCH(QString, expectedAfter);
    RegisterFileType(*FHive, QStringLiteral(".json"), QStringLiteral("JSON"), QStringLiteral("Ravek Quillon"),
        QStringLiteral("/usr/bin/q,1"), QStringLiteral("/usr/bin/q"));
    WriteText(*FHive, Classes + QStringLiteral("JSON\\shell\\edit\\command"), QStringLiteral("x"));
    WriteText(*FHive, Classes + QStringLiteral(".json"), extensionValue);
    UnregisterFileType(*FHive, QStringLiteral("json."), QStringLiteral("JSON"));
    QVERIFY(FHive->KeyExists(Classes + QStringLiteral(".json")));
    QCOMPARE(ReadText(*FHive, Classes + QStringLiteral(".json")), expectedAfter);
    QVERIFY(!FHive->KeyExists(Classes + QStringLiteral("JSON")));
    QCOMPARE(GetFileTypeCommand(*FHive, QStringLiteral(".json"), QStringLiteral("JSON")), QString());
}

void TestFileTypeRegistration::execArgument_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain") << "/usr/bin/ravek-quillon"
                           << "/usr/bin/ravek-quillon";
    QTest::newRow("blank") << "/opt/my apps/q"
                           << "\"/opt/my apps/q\"";
    QTest::newRow("quote and dollar") << "/opt/a\"b$c"
                                      << "\"/opt/a\\\"b\\$c\"";
    QTest::newRow("percent") << "/opt/100%/q"
                             << "/opt/100%%/q";
}

void TestFileTypeRegistration::execArgument()
{
    QFETCH(QString, path);
    QFETCH(QString, argument);
    QCOMPARE(DesktopExecArgument(path), argument);
}

void TestFileTypeRegistration::mimeAppsEdits_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("after");
    const QString other = QStringLiteral("[Added Associations]\ntext/plain=gedit.desktop;\n");
    QTest::newRow("new file") << "" << true << "[Default Applications]\napplication/json=ours.desktop;\n";
    QTest::newRow("other section kept")
        << other << true << other + "\n[Default Applications]\napplication/json=ours.desktop;\n";
    QTest::newRow("put before another default")
        << "# mine\n[Default Applications]\ntext/plain=a.desktop;\napplication/json=b.desktop;\n\n[X]\nk=v\n"
        << true
        << "# mine\n[Default "
           "Applications]\ntext/plain=a.desktop;\napplication/json=ours.desktop;b.desktop;\n\n[X]\nk=v\n";
    QTest::newRow("added at the section's end")
        << "[Default Applications]\ntext/plain=a.desktop;\n\n[X]\nk=v" << true
        << "[Default Applications]\ntext/plain=a.desktop;\napplication/json=ours.desktop;\n\n[X]\nk=v";
    QTest::newRow("registered twice stays once")
        << "[Default Applications]\napplication/json=ours.desktop;b.desktop;\n"
        << true << "[Default Applications]\napplication/json=ours.desktop;b.desktop;\n";
    QTest::newRow("off keeps the others")
        << "[Default Applications]\r\napplication/json=ours.desktop;b.desktop;\r\ntext/plain=a.desktop;\r\n"
        << false << "[Default Applications]\r\napplication/json=b.desktop;\r\ntext/plain=a.desktop;\r\n";
    QTest::newRow("off drops an emptied line")
        << "[Default Applications]\napplication/json=ours.desktop;\ntext/plain=a.desktop;\n"
        << false << "[Default Applications]\ntext/plain=a.desktop;\n";
    QTest::newRow("off without ours changes nothing")
        << "[Added Associations]\napplication/json=ours.desktop;\n[Default "
           "Applications]\napplication/json=b.desktop;"
        << false
        << "[Added Associations]\napplication/json=ours.desktop;\n[Default "
           "Applications]\napplication/json=b.desktop;";
}

void TestFileTypeRegistration::mimeAppsEdits()
{
    QFETCH(QString, before);
    QFETCH(bool, on);
    QFETCH(QString, after);
    QCOMPARE(EditMimeAppsList(before, QStringLiteral("application/json"), QStringLiteral("ours.desktop"), on),
        after);
}

void TestFileTypeRegistration::desktopSide()
{
    // A list with the user's own entries, which must survive registering and unregistering.
    const QString original = QStringLiteral("[Default Applications]\ntext/plain=gedit.desktop;\n\n[Added "
                                            "Associations]\napplication/json=b.desktop;\n");
    QDir().mkpath(UserConfigHome());
    {
        QFile list(UserMimeAppsList());
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(original.toUtf8());
    }
    const QString exe = QStringLiteral("/opt/my apps/ravek-quillon");
    RegisterFileType(*FHive, QStringLiteral(".json"), QStringLiteral("JSON"), QStringLiteral("Ravek Quillon"),
        exe + QStringLiteral(",1"), exe);
    const QString entryPath = UserApplicationsFolder() + QStringLiteral("/ravek-quillon-json.desktop");
    const QString entry = FileText(entryPath);
    QVERIFY2(entry.contains(QStringLiteral("\nExec=\"/opt/my apps/ravek-quillon\" %F\n")), qPrintable(entry));
    QVERIFY(entry.contains(QStringLiteral("\nMimeType=application/json;\n")));
    QCOMPARE(FileText(UserMimeAppsList()),
        QStringLiteral(
            "[Default Applications]\ntext/plain=gedit.desktop;\napplication/json=ravek-quillon-json.desktop;"
            "\n\n[Added Associations]\napplication/json=b.desktop;\n"));
    // What the desktop's own tools make of it, where they are installed.
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {entryPath});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!xdgMime.isEmpty()) {
        QProcess query;
        query.start(xdgMime,
            {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/json")});
        QVERIFY(query.waitForFinished());
        QCOMPARE(QString::fromUtf8(query.readAllStandardOutput()).trimmed(),
            QStringLiteral("ravek-quillon-json.desktop"));
    }
    UnregisterFileType(*FHive, QStringLiteral(".json"), QStringLiteral("JSON"));
    QVERIFY(!QFile::exists(entryPath));
    QCOMPARE(FileText(UserMimeAppsList()), original);
}

QTEST_GUILESS_MAIN(TestFileTypeRegistration)
#include "tst_filetyperegistration.moc"

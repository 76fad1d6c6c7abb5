// Renders the Base64 dialog (with a text encoded) and the About dialog, and saves both as PNG files
// for a look:
//   quillon_dialogs_demo /tmp/dialogs   -> /tmp/dialogs-base64.png, /tmp/dialogs-about.png
// With QT_SCALE_FACTOR=2 the same shows the high-DPI rendering.

#include "about/AboutDlg.h"
#include "about/VersionInfo.h"
#include "tools/Base64Dlg.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString prefix = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/dialogs");
    ReadVersionInfo(ProgramFilePath(), AppVersionInfo);

    Tdlg_quil_Base64 base64;
    base64.Memo1->setPlainText(QStringLiteral("{\"name\": \"Quillon\", \"version\": [1, 4, 0],\n"
                                              " \"text\": \"caf\u00E9 \u2013 na\u00EFve\"}"));
    base64.show();
    if (!QTest::qWaitForWindowExposed(&base64))
        return 1;
    base64.bEnc->click();
    base64.Memo1->selectAll();
    base64.grab().save(prefix + QStringLiteral("-base64.png"));

    Tdlg_quil_About about;
    about.show();
    if (!QTest::qWaitForWindowExposed(&about))
        return 1;
    about.grab().save(prefix + QStringLiteral("-about.png"));
    return 0;
}

// The menu pictures: every index draws something, at every scale, and disabled pictures are grey.
#include "controls/MenuImages.h"

#include <QImage>
#include <QTest>

namespace {
int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}
} // namespace

class TestMenuImages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyPictureDraws_data();
    void everyPictureDraws();
    void outOfRange();
    void disabledIsGrey();
    void documentPicture();
};

void TestMenuImages::everyPictureDraws_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::newRow("normal") << 1.0;
    QTest::newRow("one and a half") << 1.5;
    QTest::newRow("double") << 2.0;
}

void TestMenuImages::everyPictureDraws()
{
    QFETCH(qreal, scale);
    QCOMPARE(TMenuImages::Icons().size(), TMenuImages::Count);
    for (int i = 0; i < TMenuImages::Count; ++i) {
        const QPixmap pm = TMenuImages::Pixmap(i, scale);
        QCOMPARE(pm.deviceIndependentSize().toSize(), QSize(16, 16));
        QCOMPARE(pm.size(), QSize(qRound(16 * scale), qRound(16 * scale)));
        // Something visible, and not a filled square.
        const int opaque = OpaquePixels(pm.toImage());
        QVERIFY2(opaque > pm.width() * pm.height() / 20, qPrintable(QString("picture %1").arg(i)));
        QVERIFY2(opaque < pm.width() * pm.height(), qPrintable(QString("picture %1").arg(i)));
    }
}

void TestMenuImages::outOfRange()
{
    QVERIFY(TMenuImages::Icon(-1).isNull());
    QVERIFY(TMenuImages::Icon(TMenuImages::Count).isNull());
    QVERIFY(TMenuImages::Icon(100).isNull()); // the recent-files entries ask for pictures beyond the list
}

void TestMenuImages::disabledIsGrey()
{
    const QImage image =
        TMenuImages::Icon(TMenuPicture::Close).pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
    bool sawPixel = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            sawPixel = true;
            QVERIFY(qAbs(qRed(p) - qGreen(p)) <= 1 && qAbs(qGreen(p) - qBlue(p)) <= 1);
        }
    QVERIFY(sawPixel);
}

void TestMenuImages::documentPicture()
{
    const QPixmap pm = TMenuImages::DocumentPicture(2.0);
    QCOMPARE(pm.deviceIndependentSize().toSize(), QSize(124, 124));
    QVERIFY(OpaquePixels(pm.toImage()) > pm.width() * pm.height() / 3);
}

QTEST_MAIN(TestMenuImages)
#include "tst_menuimages.moc"

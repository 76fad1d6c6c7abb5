// Large blocks asked for with new lie in mappings of their own advised for huge pages, also when a
// library asks (the text control's document buffers).
#include "textview/QsciInclude.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <cstdint>
#include <memory>
#include <vector>

namespace {
struct TMapping {
    uintptr_t From = 0;
    uintptr_t To = 0;
    bool HugePages = false;
};

std::vector<TMapping> Mappings()
{
    std::vector<TMapping> mappings;
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return mappings;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const int dash = line.indexOf('-');
        const int space = line.indexOf(' ');
        if (dash > 0 && space > dash && !line.startsWith("VmFlags")) {
            mappings.push_back({line.left(dash).toULongLong(nullptr, 16),
                line.mid(dash + 1, space - dash - 1).toULongLong(nullptr, 16), false});
        } else if (line.startsWith("VmFlags:") && !mappings.empty()) {
            mappings.back().HugePages = line.split(' ').contains("hg");
        }
    }
    return mappings;
}

// Whether the pages of the block's middle are advised for huge pages.
bool Advised(const void* ABlock, size_t ASize)
{
    const uintptr_t middle = reinterpret_cast<uintptr_t>(ABlock) + ASize / 2;
    for (const TMapping& m : Mappings())
        if (m.From <= middle && middle < m.To)
            return m.HugePages;
    return false;
}
} // namespace

class TestLargeBlocks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer keeps its own operator new");
#endif
    }

    void blocks_data()
    {
        QTest::addColumn<size_t>("size");
        QTest::addColumn<bool>("advised");
        QTest::newRow("64 MiB") << (size_t(64) << 20) << true;
        QTest::newRow("just large") << (size_t(4) << 20) + 100 << true;
        QTest::newRow("small") << size_t(200000) << false;
    }
    void blocks()
    {
        QFETCH(size_t, size);
        QFETCH(bool, advised);
        const std::unique_ptr<char[]> block(new char[size]);
        QCOMPARE(Advised(block.get(), size), advised);
        std::vector<char> grown;
        grown.resize(size);
        QCOMPARE(Advised(grown.data(), size), advised);
    }

    // The text control allocates its document inside its own library.
    void textControlDocument()
    {
        QsciScintilla editor;
        const size_t size = size_t(48) << 20;
        const long document =
            editor.SendScintilla(QsciScintillaBase::SCI_CREATEDOCUMENT, static_cast<unsigned long>(size), 0L);
        bool found = false;
        for (const TMapping& m : Mappings())
            found = found || (m.HugePages && m.To - m.From >= size - 4096); // less the header's page
        editor.SendScintilla(QsciScintillaBase::SCI_RELEASEDOCUMENT, 0UL, document);
        QVERIFY(found);
    }
};

QTEST_MAIN(TestLargeBlocks)
#include "tst_largeblocks.moc"

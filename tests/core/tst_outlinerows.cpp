// The rows a tree shows: after any sequence of expanding and collapsing they equal a walk over the
// outline that enters exactly the expanded nodes, and rows and nodes map to each other both ways.
#include "core/OutlineBuilder.h"
#include "core/OutlineRows.h"

#include <QTest>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {
// The reference: the expanded set kept apart, the rows walked anew.
struct TReference {
    const TOutline* Outline = nullptr;
    std::set<TNodeIndex> Expanded;

    void Set(TNodeIndex ANode, bool AOn)
    {
        if (Outline->ChildCount(ANode) == 0)
            return;
        if (AOn)
            Expanded.insert(ANode);
        else
            Expanded.erase(ANode);
    }
    void SetSubtree(TNodeIndex ANode, bool AOn)
    {
        Set(ANode, AOn);
        for (uint32_t i = 0; i < Outline->ChildCount(ANode); ++i)
            SetSubtree(Outline->Child(ANode, i), AOn);
    }
    std::vector<TNodeIndex> Rows() const
    {
        std::vector<TNodeIndex> rows;
        if (Outline->IsEmpty())
            return rows;
        std::vector<TNodeIndex> stack {Outline->Root()};
        while (!stack.empty()) {
            const TNodeIndex node = stack.back();
            stack.pop_back();
            rows.push_back(node);
            if (Expanded.count(node))
                for (uint32_t i = Outline->ChildCount(node); i-- > 0;)
                    stack.push_back(Outline->Child(node, i));
        }
        return rows;
    }
};

// A node named by its child rows from the top: "" the top-level node, "1.0" the first child of its
// second child.
TNodeIndex NodeAtPath(const TOutline& AOutline, const QString& APath)
{
    TNodeIndex node = AOutline.Root();
    for (const QString& step : APath.split('.', Qt::SkipEmptyParts))
        node = AOutline.Child(node, step.toUInt());
    return node;
}

// Applies one step ("e:PATH" expand, "c:PATH" collapse, "E:"/"C:" the node and all below it, "a:PATH"
// open its ancestors, "A" expand all, "Z" collapse all, "R" give back the expanded set just read) to
// both.
void Apply(const QString& AStep, TOutlineRows& ARows, TReference& ARef)
{
    const QChar op = AStep[0];
    const TNodeIndex node = AStep.size() > 1 ? NodeAtPath(*ARef.Outline, AStep.mid(2)) : NoNode;
    switch (op.unicode()) {
    case 'e':
    case 'c':
        // Where the row is looked for first changes nothing but the speed.
        ARows.SetExpanded(node, op == 'e', size_t(node) % 5);
        ARef.Set(node, op == 'e');
        break;
    case 'E':
    case 'C':
        ARows.SetSubtreeExpanded(node, op == 'E');
        ARef.SetSubtree(node, op == 'E');
        break;
    case 'a':
        ARows.ExpandAncestors(node);
        for (TNodeIndex p = ARef.Outline->Parent(node); p != NoNode; p = ARef.Outline->Parent(p))
            ARef.Set(p, true);
        break;
    case 'A':
        ARows.ExpandAll();
        ARef.SetSubtree(ARef.Outline->Root(), true);
        break;
    case 'Z':
        ARows.CollapseAll();
        ARef.Expanded.clear();
        break;
    case 'R': {
        const std::vector<TNodeIndex> saved = ARows.ExpandedNodes();
        ARows.CollapseAll();
        ARows.RestoreExpanded(saved);
        break;
    }
    default:
        QFAIL(qPrintable("unknown step " + AStep));
    }
}

// The rows equal the reference walk, and the mapping holds both ways.
void CheckRows(const TOutlineRows& ARows, const TReference& ARef, const QString& AAfter)
{
    const std::vector<TNodeIndex> expected = ARef.Rows();
    std::vector<TNodeIndex> actual;
    for (size_t row = 0; row < ARows.RowCount(); ++row)
        actual.push_back(ARows.NodeAt(row));
    QVERIFY2(actual == expected, qPrintable("rows differ after " + AAfter));
    for (size_t row = 0; row < actual.size(); ++row)
        QCOMPARE(ARows.RowOf(actual[row], row % 7 == 0 ? actual.size() / 2 : 0), row);
    const std::set<TNodeIndex> shown(expected.begin(), expected.end());
    for (TNodeIndex node = 0; node < ARef.Outline->NodeCount(); ++node) {
        QCOMPARE(ARows.IsShown(node), shown.count(node) == 1);
        QCOMPARE(ARows.IsExpanded(node), ARef.Expanded.count(node) == 1);
        if (!shown.count(node))
            QCOMPARE(ARows.RowOf(node), TOutlineRows::NoRow);
    }
    const std::vector<TNodeIndex> read = ARows.ExpandedNodes();
    QVERIFY(std::vector<TNodeIndex>(ARef.Expanded.begin(), ARef.Expanded.end()) == read);
}

// A nested document of objects and arrays from a seed.
std::string Generated(unsigned ASeed)
{
    std::mt19937 random(ASeed);
    std::string out;
    const auto value = [&](auto& self, int depth) -> void {
        const unsigned kind = depth > 4 ? random() % 3 : random() % 5;
        if (kind == 0)
            out += std::to_string(random() % 100);
        else if (kind == 1)
            out += "\"s\"";
        else if (kind == 2)
            out += "null";
        else {
            const bool object = kind == 3;
            out += object ? '{' : '[';
            const unsigned n = random() % 6;
            for (unsigned i = 0; i < n; ++i) {
                if (i)
                    out += ',';
                if (object)
                    out += "\"k" + std::to_string(i) + "\":";
                self(self, depth + 1);
            }
            out += object ? '}' : ']';
        }
    };
    out += '[';
    for (int i = 0; i < 8; ++i) {
        if (i)
            out += ',';
        value(value, 1);
    }
    out += ']';
    return out;
}
} // namespace

class TestOutlineRows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sequences_data();
    void sequences();
    void randomSequences();
    void emptyAndAbsent();
};

void TestOutlineRows::sequences_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("steps");
    const QByteArray nested = R"({"a":{"b":{"c":[1,2]},"d":[]},"e":[3,{"f":4}],"g":5})";
    QTest::newRow("nothing expanded") << nested << QStringList {};
    QTest::newRow("root, then a child, then collapse the root keeps the child's state")
        << nested << QStringList {"e:", "e:0", "e:0.0", "c:", "e:"};
    QTest::newRow("a collapsed child inside an open parent")
        << nested << QStringList {"e:", "e:0", "e:1", "c:0", "e:1.1", "c:1"};
    QTest::newRow("leaves and empty containers keep no state")
        << nested << QStringList {"e:", "e:2", "e:0", "e:0.1", "e:0.1"};
    QTest::newRow("expand all, collapse one, collapse all")
        << nested << QStringList {"A", "c:0.0", "c:1", "Z", "e:"};
    QTest::newRow("subtrees") << nested << QStringList {"e:", "E:0", "C:0", "E:", "C:1", "C:"};
    QTest::newRow("open the ancestors of a hidden node")
        << nested << QStringList {"a:0.0.0.1", "c:0", "a:1.1.0", "a:"};
    QTest::newRow("expanded set read and given back") << nested << QStringList {"e:", "E:1", "e:0", "R"};
    QTest::newRow("the last child's subtree ends the rows")
        << QByteArray(R"([[1,[2,[3]]],[[4],5]])") << QStringList {"e:", "e:1", "e:1.0", "e:0", "c:1", "E:0"};
}

void TestOutlineRows::sequences()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, steps);
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(std::string_view(json.constData(), size_t(json.size())), outline, counts);
    QVERIFY(!outline.IsEmpty());
    TOutlineRows rows;
    rows.Reset(&outline);
    TReference ref {&outline, {}};
    CheckRows(rows, ref, "the reset");
    QString done;
    for (const QString& step : steps) {
        Apply(step, rows, ref);
        done += step + ' ';
        CheckRows(rows, ref, done);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestOutlineRows::randomSequences()
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const std::string json = Generated(seed);
        TOutline outline;
        TJSONCounts counts;
        BuildOutline(json, outline, counts);
        QVERIFY(!outline.IsEmpty());
        TOutlineRows rows;
        rows.Reset(&outline);
        TReference ref {&outline, {}};
        std::mt19937 random(seed);
        static const char ops[] = "eeeeccccECaAZR";
        for (int i = 0; i < 150; ++i) {
            const char op = ops[random() % (sizeof(ops) - 1)];
            const TNodeIndex node = TNodeIndex(random() % outline.NodeCount());
            // The path of the node, for the step's name.
            QStringList path;
            for (TNodeIndex n = node; outline.Parent(n) != NoNode; n = outline.Parent(n))
                path.prepend(QString::number(outline.Row(n)));
            const QString step =
                QString(QChar(op)) + (QStringLiteral("AZR").contains(QChar(op)) ? "" : ":" + path.join('.'));
            Apply(step, rows, ref);
            CheckRows(rows, ref, QString("seed %1 step %2 (%3)").arg(seed).arg(i).arg(step));
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestOutlineRows::emptyAndAbsent()
{
    TOutlineRows rows;
    rows.Reset(nullptr);
    QCOMPARE(rows.RowCount(), size_t(0));
    rows.ExpandAll();
    rows.SetExpanded(0, true);
    QCOMPARE(rows.RowCount(), size_t(0));
    TOutline empty;
    rows.Reset(&empty);
    rows.ExpandAll();
    QCOMPARE(rows.RowCount(), size_t(0));
    QCOMPARE(rows.RowOf(0), TOutlineRows::NoRow);
    QVERIFY(rows.ExpandedNodes().empty());
}

QTEST_APPLESS_MAIN(TestOutlineRows)
#include "tst_outlinerows.moc"

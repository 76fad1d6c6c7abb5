// The rows a tree shows: after any sequence of expanding and collapsing they equal a walk over the
// outline that enters exactly the expanded nodes, rows and nodes map to each other both ways, and the
// rows are held as the fewest spans of consecutive nodes.
#include "core/OutlineBuilder.h"
#include "core/OutlineRows.h"

#include <QTest>

#include <functional>
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

// The same tree with its nodes numbered breadth first: the top-level node's children follow it, and
// a chain of only children is consecutive nodes, so rows run on from a node into its children (the
// builder places a container's children before it).
void BreadthFirst(const TOutline& AOutline, TOutline& AResult)
{
    TOutlineStore store;
    std::vector<TNodeIndex> order {AOutline.Root()};
    for (size_t i = 0; i < order.size(); ++i)
        for (uint32_t row = 0; row < AOutline.ChildCount(order[i]); ++row)
            order.push_back(AOutline.Child(order[i], row));
    // Children of earlier nodes come first, so the runs are in the order of their first children.
    // Runs are told by their distance from run 0; the rows never read the nodes' text.
    TNodeIndex next = 1;
    for (TNodeIndex node = 0; node < order.size(); ++node) {
        const TNodeIndex old = order[node];
        TOutlineNode made = TOutlineNode::Make(AOutline.Typ(old));
        made.SetOffsetDistance(0);
        if (AOutline.ChildCount(old) > 0) {
            if (node == 0)
                store.RootRun = TRunIndex(store.Runs.Size());
            else
                QVERIFY(made.SetRunDistance(int64_t(store.Runs.Size())));
            store.Runs.PushBack({next, node});
            next += AOutline.ChildCount(old);
        }
        store.Nodes.PushBack(made);
    }
    for (TNodeIndex first = 0; first < order.size(); first += 1u << OutlineBlockShift) {
        TRunIndex run = 0;
        while (run + 1 < store.Runs.Size() && store.Runs[run + 1].FirstChild <= first)
            ++run;
        store.Blocks.PushBack({run, 0, 0});
    }
    AResult.Assign(std::move(store), TByteBuffer());
}

// Runs ARun on fresh rows of the document's built outline, then of the same tree numbered breadth first
// (there the rows run on from a node into its children, which the builder's order never shows).
void InBothOrders(std::string_view AJson,
    const std::function<void(const TOutline&, const QString&, TOutlineRows&, TReference&)>& ARun)
{
    TOutline built;
    TJSONCounts counts;
    BuildOutline(AJson, built, counts);
    QVERIFY(!built.IsEmpty());
    TOutline breadthFirst;
    BreadthFirst(built, breadthFirst);
    for (const TOutline* outline : {&built, &breadthFirst}) {
        TOutlineRows rows;
        rows.Reset(outline);
        TReference ref {outline, {}};
        ARun(*outline, outline == &built ? "built" : "breadth first", rows, ref);
        if (QTest::currentTestFailed())
            return;
    }
}

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
    // Read backwards and by jumps too, past the span read last.
    for (size_t row = actual.size(); row-- > 0;)
        QCOMPARE(ARows.NodeAt(row), actual[row]);
    for (size_t i = 0; i < actual.size(); ++i) {
        const size_t row = i * 7919 % actual.size();
        QCOMPARE(ARows.NodeAt(row), actual[row]);
    }
    size_t runs = actual.empty() ? 0 : 1;
    for (size_t row = 1; row < actual.size(); ++row)
        runs += actual[row] != actual[row - 1] + 1;
    QVERIFY2(ARows.SpanCount() == runs,
        qPrintable(QString("%1 spans for %2 runs after %3").arg(ARows.SpanCount()).arg(runs).arg(AAfter)));
    for (size_t row = 0; row < actual.size(); ++row) {
        const size_t hints[] = {0, actual.size() / 2, row, actual.size() + 3};
        QCOMPARE(ARows.RowOf(actual[row], hints[row % 4]), row);
    }
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

// A nested document of objects and arrays from a seed, with ATop top-level values.
std::string Generated(unsigned ASeed, int ATop)
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
    for (int i = 0; i < ATop; ++i) {
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
    void randomSequences_data();
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

    // Siblings are consecutive nodes: expanding one splits the span of its siblings' rows, collapsing
    // it joins the pieces again.
    const QByteArray siblings = R"([[1,2],[3],[4,5],[6,[7,8]],[9],{"a":[10]}])";
    QTest::newRow("a span split at its start, middle and end, then joined")
        << siblings << QStringList {"e:", "e:0", "e:5", "e:2", "c:0", "c:2", "c:5"};
    QTest::newRow("neighbours expanded, then collapsed in the other order")
        << siblings << QStringList {"e:", "e:2", "e:3", "e:1", "c:3", "c:1", "c:2"};
    QTest::newRow("spans nested in a split span")
        << siblings << QStringList {"e:", "e:3", "e:3.1", "e:5", "e:5.0", "c:3.1", "e:3.1", "c:3"};
    QTest::newRow("collapsing the parent of split spans and expanding it back")
        << siblings << QStringList {"e:", "e:1", "e:3", "e:3.1", "c:", "e:", "c:3", "c:1"};
    QTest::newRow("a subtree expanded in the middle, the whole collapsed from its last node")
        << siblings << QStringList {"e:", "E:3", "e:4", "C:5", "E:5", "C:3", "c:4", "C:"};
    QTest::newRow("split spans read and given back")
        << siblings << QStringList {"e:", "e:1", "e:4", "E:3", "R", "c:3.1", "R"};

    // More spans than are searched one by one: the row of a node is found by halves.
    QByteArray records = "[";
    for (int i = 0; i < 3000; ++i)
        records += QByteArray(i ? "," : "") + R"({"a":[)" + QByteArray::number(i) + R"(],"b":{"c":null}})";
    records += ']';
    QTest::newRow("thousands of records expanded, collapsed and read back")
        << records
        << QStringList {"A", "c:1500", "c:0", "c:2999.1", "C:2000", "a:2000.1.0", "Z", "e:", "E:10",
               "a:2999.1.0", "R"};

    // Each level holds a number and the next level.
    const QByteArray deep = "[0,[1,[2,[3,[4,[5,[6,[7,[8,[9,[10]]]]]]]]]],11]";
    QTest::newRow("the ancestors of a deep node, then of a node above it")
        << deep << QStringList {"a:1.1.1.1.1.1.1.1.1.1.0", "c:1.1.1", "a:1.1.1.1.1.0", "c:1", "a:1.1.0"};
    QTest::newRow("deep levels collapsed and expanded from the bottom up")
        << deep << QStringList {"A", "c:1.1.1.1.1.1.1.1.1", "c:1.1.1.1.1.1", "c:1.1.1", "e:1.1.1.1.1.1", "R"};
}

void TestOutlineRows::sequences()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, steps);
    InBothOrders(std::string_view(json.constData(), size_t(json.size())),
        [&steps](const TOutline&, const QString& AOrder, TOutlineRows& ARows, TReference& ARef) {
            QString done = AOrder + ": ";
            CheckRows(ARows, ARef, done + "the reset");
            for (const QString& step : steps) {
                Apply(step, ARows, ARef);
                done += step + ' ';
                CheckRows(ARows, ARef, done);
                if (QTest::currentTestFailed())
                    return;
            }
        });
}

void TestOutlineRows::randomSequences_data()
{
    QTest::addColumn<unsigned>("firstSeed");
    QTest::addColumn<unsigned>("lastSeed");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("steps");
    QTest::newRow("nested documents") << 1u << 6u << 8 << 150;
    // Long spans of siblings, split and joined many times over.
    QTest::newRow("wide documents") << 7u << 9u << 120 << 300;
}

void TestOutlineRows::randomSequences()
{
    QFETCH(unsigned, firstSeed);
    QFETCH(unsigned, lastSeed);
    QFETCH(int, top);
    QFETCH(int, steps);
    for (unsigned seed = firstSeed; seed <= lastSeed; ++seed) {
        InBothOrders(Generated(seed, top),
            [seed, steps](
                const TOutline& AOutline, const QString& AOrder, TOutlineRows& ARows, TReference& ARef) {
                std::mt19937 random(seed);
                static const char ops[] = "eeeeccccECaAZR";
                for (int i = 0; i < steps; ++i) {
                    const char op = ops[random() % (sizeof(ops) - 1)];
                    const TNodeIndex node = TNodeIndex(random() % AOutline.NodeCount());
                    // The path of the node, for the step's name.
                    QStringList path;
                    for (TNodeIndex n = node; AOutline.Parent(n) != NoNode; n = AOutline.Parent(n))
                        path.prepend(QString::number(AOutline.Row(n)));
                    const QString step = QString(QChar(op))
                        + (QStringLiteral("AZR").contains(QChar(op)) ? "" : ":" + path.join('.'));
                    Apply(step, ARows, ARef);
                    CheckRows(ARows, ARef,
                        QString("%1 seed %2 step %3 (%4)").arg(AOrder).arg(seed).arg(i).arg(step));
                    if (QTest::currentTestFailed())
                        return;
                }
            });
        if (QTest::currentTestFailed())
            return;
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

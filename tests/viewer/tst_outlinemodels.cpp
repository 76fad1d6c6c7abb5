// The tree and children-list models over an outline.
#include "viewer/OutlineModels.h"

#include "core/OutlineBuilder.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QTest>

class TestOutlineModels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void treeModel();
    void treeValueColumn();
    void childList_data();
    void childList();
    void millionChildren();
};

void TestOutlineModels::treeModel()
{
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(R"({"a":1,"b":[2,3,{"c":[[]]}],"e":{}})", outline, counts);
    TOutlineTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetOutline(&outline);
    QCOMPARE(model.rowCount(), 1);
    const QModelIndex root = model.index(0, 0);
    QCOMPARE(root.data().toString(), QString("<object>"));
    QCOMPARE(model.rowCount(root), 3);
    const QModelIndex b = model.index(1, 0, root);
    QCOMPARE(b.data().toString(), QString("b"));
    QCOMPARE(model.rowCount(b), 3);
    const QModelIndex element = model.index(2, 0, b);
    QCOMPARE(element.data().toString(), QString("<element #2>"));
    QCOMPARE(model.parent(element), b);
    QCOMPARE(model.IndexOf(model.NodeOf(element)), element);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("Tag"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Value"));
    QVERIFY(!model.hasChildren(model.index(2, 0, root).siblingAtColumn(1)));

    // A reload replaces everything; an empty outline shows nothing.
    BuildOutline("[1]", outline, counts);
    model.SetOutline(&outline);
    QCOMPARE(model.index(0, 0).data().toString(), QString("<array>"));
    outline.Clear();
    model.SetOutline(&outline);
    QCOMPARE(model.rowCount(), 0);
}

void TestOutlineModels::treeValueColumn()
{
    TOutline outline;
    TJSONCounts counts;
    const std::string longText(150, 'x');
    BuildOutline("{\"s\":\"a\\r\\nb\",\"l\":\"" + longText + "\",\"n\":1.50,\"o\":{}}", outline, counts);
    TOutlineTreeModel model;
    model.SetOutline(&outline);
    const QModelIndex root = model.index(0, 0);
    QCOMPARE(model.index(0, 1, root).data().toString(), QString("ab"));
    QCOMPARE(model.index(0, 1, root).data(Qt::ToolTipRole).toString(), QString("a\r\nb"));
    QCOMPARE(model.index(1, 1, root).data().toString(), QString(100, 'x') + "...");
    QCOMPARE(model.index(2, 1, root).data().toString(), QString("1.5"));
    QCOMPARE(model.index(3, 1, root).data().toString(), QString());
    QVERIFY(!model.index(2, 0, root).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(model.index(2, 1, root).data(Qt::DecorationRole).isNull());
}

void TestOutlineModels::childList_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QList<int>>("path"); // rows from the root to the listed node
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QList<TMenuPicture>>("pictures");
    QTest::newRow("root of the example")
        << R"({"a":1,"b":[2,3]})" << QList<int> {} << QStringList {"a|1", "b|(array)"}
        << QList<TMenuPicture> {TMenuPicture::JSONNumber, TMenuPicture::JSONArray};
    QTest::newRow("array elements keep their text in the name")
        << R"({"a":1,"b":[2,3]})" << QList<int> {1} << QStringList {"2|", "3|"}
        << QList<TMenuPicture> {TMenuPicture::JSONString, TMenuPicture::JSONString};
    QTest::newRow("kinds") << R"({"s":"  x\r\ny \t","t":true,"f":false,"z":null,"o":{}})" << QList<int> {}
                           << QStringList {"s|x\r\ny", "t|true", "f|false", "z|null", "o|(object)"}
                           << QList<TMenuPicture> {TMenuPicture::JSONString, TMenuPicture::JSONTrue,
                                  TMenuPicture::JSONFalse, TMenuPicture::JSONNull, TMenuPicture::JSONObject};
    QTest::newRow("no children") << R"({"a":{}})" << QList<int> {0} << QStringList {}
                                 << QList<TMenuPicture> {};
}

void TestOutlineModels::childList()
{
    QFETCH(QString, document);
    QFETCH(QList<int>, path);
    QFETCH(QStringList, cells);
    QFETCH(QList<TMenuPicture>, pictures);
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(document.toStdString(), outline, counts);
    TNodeIndex node = outline.Root();
    for (int row : path)
        node = outline.Child(node, uint32_t(row));
    TChildListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetNode(&outline, node);
    QStringList got;
    for (int row = 0; row < model.rowCount(); ++row) {
        got << model.index(row, 0).data().toString() + "|" + model.index(row, 1).data().toString();
        QCOMPARE(NodePicture(outline.Typ(model.NodeOf(model.index(row, 0)))), pictures[row]);
    }
    QCOMPARE(got, cells);
    model.SetNode(&outline, NoNode);
    QCOMPARE(model.rowCount(), 0);
}

void TestOutlineModels::millionChildren()
{
    std::string text = "[0";
    for (int i = 1; i < 1000000; ++i)
        text += "," + std::to_string(i);
    text += "]";
    TOutline outline;
    TJSONCounts counts;
    BuildOutline(text, outline, counts);
    TChildListModel model;
    model.SetNode(&outline, outline.Root());
    QCOMPARE(model.rowCount(), 1000000);
    QCOMPARE(model.index(999999, 0).data().toString(), QString("999999"));
    TOutlineTreeModel tree;
    tree.SetOutline(&outline);
    const QModelIndex last = tree.index(999999, 0, tree.index(0, 0));
    QCOMPARE(tree.parent(last), tree.index(0, 0));
    QCOMPARE(last.row(), 999999);
}

QTEST_MAIN(TestOutlineModels)
#include "tst_outlinemodels.moc"

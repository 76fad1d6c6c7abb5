#pragma once
// A panel with a header line: a caption that can change at run time, picture buttons at the right end
// of the header, and a content area below. A collapsible panel folds to its header when the header is
// clicked and opens again to the height it had.

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

class QToolButton;
class QVBoxLayout;

class THeaderPanel : public QWidget {
    Q_OBJECT
    // The panel's width as the layout keeps it; inside a splitter it sets the splitter's share.
    Q_PROPERTY(int Width READ PanelWidth WRITE SetPanelWidth)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit THeaderPanel(const QString& caption = QString(), QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);

    // Adds a picture button at the right end of the header (buttons stand in the order added).
    QToolButton* AddButton(const QIcon& icon, const QString& hint);

    // The widget that fills the area below the header (the panel takes ownership).
    void SetContent(QWidget* content);
    QVBoxLayout* ContentLayout() const { return FContentLayout; }

    void SetCollapsible(bool collapsible);
    bool Collapsible() const { return FCollapsible; }
    bool Collapsed() const { return FCollapsed; }
    void SetCollapsed(bool collapsed);
    // The height of the open panel (a collapsed one is as high as its header).
    void SetExpandedHeight(int height);
    int ExpandedHeight() const { return FExpandedHeight; }
    int HeaderHeight() const;

    int PanelWidth() const { return width(); }
    void SetPanelWidth(int width);

    QSize sizeHint() const override;

Q_SIGNALS:
    void CollapsedChanged(bool collapsed);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect HeaderRect() const;
    QRect ChevronRect() const;
    void LayoutButtons();
    void ApplyHeight();

    QString FCaption;
    QList<QToolButton*> FButtons;
    QVBoxLayout* FContentLayout = nullptr;
    QWidget* FContent = nullptr;
    bool FCollapsible = false;
    bool FCollapsed = false;
    int FExpandedHeight = 150;
};

#pragma once
// A panel with a header line: a caption that can change at run time, picture buttons at the right end
// of the header, and a content area below. A collapsible panel folds to its header when the header is
// clicked and opens again to the height it had. A collapsible panel in a vertical splitter keeps the
// height the user dragged it to, gives way when the splitter is too small for it and the other pane's
// minimum, and takes that height again when there is room.

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

class QSplitter;
class QToolButton;
class QVBoxLayout;

class THeaderPanel : public QWidget {
    Q_OBJECT
    // The panel's width as the layout keeps it; inside a splitter it sets the splitter's share.
    Q_PROPERTY(int Width READ PanelWidth WRITE SetPanelWidth)
    // The open height of a collapsible panel as the layout keeps it.
    Q_PROPERTY(int Height READ PanelHeight WRITE SetPanelHeight)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit THeaderPanel(const QString& ACaption = QString(), QWidget* AParent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& ACaption);

    // Adds a picture button at the right end of the header (buttons stand in the order added).
    QToolButton* AddButton(const QIcon& AIcon, const QString& AHint);

    // The widget that fills the area below the header (the panel takes ownership).
    void SetContent(QWidget* AContent);
    QVBoxLayout* ContentLayout() const { return FContentLayout; }

    void SetCollapsible(bool ACollapsible);
    bool Collapsible() const { return FCollapsible; }
    bool Collapsed() const { return FCollapsed; }
    void SetCollapsed(bool ACollapsed);
    // The height of the open panel (a collapsed one is as high as its header).
    void SetExpandedHeight(int AHeight);
    int ExpandedHeight() const { return FExpandedHeight; }
    int HeaderHeight() const;

    int PanelWidth() const { return width(); }
    void SetPanelWidth(int AWidth);
    int PanelHeight() const { return FCollapsible ? FExpandedHeight : height(); }
    void SetPanelHeight(int AHeight) { SetExpandedHeight(AHeight); }

    QSize sizeHint() const override;

Q_SIGNALS:
    void CollapsedChanged(bool ACollapsed);

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    void mousePressEvent(QMouseEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    QRect HeaderRect() const;
    QRect ChevronRect() const;
    void LayoutButtons();
    void ApplyHeight();
    // The vertical splitter the panel is a pane of, watched from the first call on; null for none.
    QSplitter* WatchSplitter();
    void FitInSplitter();

    QString FCaption;
    QList<QToolButton*> FButtons;
    QVBoxLayout* FContentLayout = nullptr;
    QWidget* FContent = nullptr;
    bool FCollapsible = false;
    bool FCollapsed = false;
    int FExpandedHeight = 150;
    QSplitter* FSplitter = nullptr;
};

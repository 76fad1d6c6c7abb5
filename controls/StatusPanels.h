#pragma once
// A status bar of text panels side by side: each panel has a width and an alignment; the last panel
// takes the rest of the bar. Texts too long for their panel are cut with an ellipsis.

#include <QList>
#include <QString>
#include <QWidget>

class TStatusPanels : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanels(QWidget* AParent = nullptr);

    // Adds a panel; returns its index.
    int AddPanel(int AWidth, Qt::Alignment AAlignment = Qt::AlignLeft, const QString& AText = QString());
    int PanelCount() const { return int(FPanels.size()); }
    QString Text(int APanel) const;
    void SetText(int APanel, const QString& AText);
    // The rectangle of a panel in the bar.
    QRect PanelRect(int APanel) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    bool event(QEvent* AEvent) override;

private:
    struct Panel {
        int Width;
        Qt::Alignment Alignment;
        QString Text;
    };
    QList<Panel> FPanels;
};

#pragma once
// A status bar of text panels side by side: each panel has a width and an alignment; the last panel
// takes the rest of the bar. Texts too long for their panel are cut with an ellipsis.

#include <QList>
#include <QString>
#include <QWidget>

class TStatusPanels : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanels(QWidget* parent = nullptr);

    // Adds a panel; returns its index.
    int AddPanel(int width, Qt::Alignment alignment = Qt::AlignLeft, const QString& text = QString());
    int PanelCount() const { return int(FPanels.size()); }
    QString Text(int panel) const;
    void SetText(int panel, const QString& text);
    // The rectangle of a panel in the bar.
    QRect PanelRect(int panel) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Panel {
        int Width;
        Qt::Alignment Alignment;
        QString Text;
    };
    QList<Panel> FPanels;
};

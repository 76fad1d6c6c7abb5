#pragma once
// A strip of tab buttons of which one is selected; a click reports the clicked tab's tag.

#include <QTabBar>

class TTabStrip : public QTabBar {
    Q_OBJECT
public:
    explicit TTabStrip(QWidget* parent = nullptr);

    // Adds a tab with a caption and a tag; returns its index.
    int AddTab(const QString& caption, int tag);
    int TagOf(int index) const;
    // Selects the tab with this tag (without reporting a click).
    void SelectTag(int tag);

Q_SIGNALS:
    void TabClicked(int tag);

protected:
    QSize tabSizeHint(int index) const override;
};

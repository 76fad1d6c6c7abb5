#pragma once
// A strip of tab buttons of which one is selected; a click reports the clicked tab's tag.

#include <QTabBar>

class TTabStrip : public QTabBar {
    Q_OBJECT
public:
    explicit TTabStrip(QWidget* AParent = nullptr);

    // Adds a tab with a caption and a tag; returns its index.
    int AddTab(const QString& ACaption, int ATag);
    int TagOf(int AIndex) const;
    // Selects the tab with this tag (without reporting a click).
    void SelectTag(int ATag);

Q_SIGNALS:
    void TabClicked(int ATag);

protected:
    QSize tabSizeHint(int AIndex) const override;
};

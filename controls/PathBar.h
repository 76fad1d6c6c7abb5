#pragma once
// A single-line bar that shows a picture and a caption, cutting a caption that does not fit with an
// ellipsis at its end, and keeps a hint text (the caption's source, for example a path).

#include <QIcon>
#include <QString>
#include <QWidget>

class TPathBar : public QWidget {
    Q_OBJECT
public:
    explicit TPathBar(QWidget* AParent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& ACaption);
    QString Hint() const { return FHint; }
    void SetHint(const QString& AHint) { FHint = AHint; }
    void SetIcon(const QIcon& AIcon);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    bool event(QEvent* AEvent) override;

private:
    QString FCaption;
    QString FHint;
    QIcon FIcon;
};

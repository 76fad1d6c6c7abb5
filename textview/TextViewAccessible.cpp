#include "textview/TextViewAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {
// Qt asks the factories for the object's own class first, then for each base class in turn, so this
// one answers before the text control's for every view derived from TCustomSynEdit, and before the
// scroll area's for the source view.
QAccessibleInterface* TextViewAccessible(const QString& AClassName, QObject* AObject)
{
    const bool textView =
        AClassName == QLatin1String("TCustomSynEdit") || AClassName == QLatin1String("TSourceView");
    if (textView && AObject && AObject->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(AObject), QAccessible::EditableText);
    return nullptr;
}
} // namespace

void InstallTextViewAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(TextViewAccessible);
        return true;
    }();
    (void)installed;
}

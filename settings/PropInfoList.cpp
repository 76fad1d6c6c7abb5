#include "settings/PropInfoList.h"

#include <QMetaType>
#include <QObject>

#include <optional>

namespace {

std::optional<TPropKind> KindOf(const QMetaProperty& AProp)
{
    if (AProp.isFlagType())
        return TPropKind::pkSet;
    if (AProp.isEnumType())
        return TPropKind::pkEnumeration;
    const QMetaType type = AProp.metaType();
    switch (type.id()) {
    case QMetaType::Bool:
        return TPropKind::pkEnumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return TPropKind::pkInteger;
    case QMetaType::Char:
        return TPropKind::pkChar;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return TPropKind::pkInt64;
    case QMetaType::Double:
    case QMetaType::Float:
        return TPropKind::pkFloat;
    case QMetaType::QString:
        return TPropKind::pkString;
    case QMetaType::QChar:
        return TPropKind::pkWChar;
    default:
        break;
    }
    if (type.flags().testFlag(QMetaType::PointerToQObject))
        return TPropKind::pkClass;
    return std::nullopt;
}

} // namespace

TPropInfoList::TPropInfoList(const QObject* AObject)
{
    if (!AObject)
        return;
    const QMetaObject* meta = AObject->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty prop = meta->property(i);
        if (!prop.isReadable())
            continue;
        if (const auto kind = KindOf(prop))
            FList.push_back({prop, *kind, QString::fromLatin1(prop.name())});
    }
}

const TPropInfo* TPropInfoList::Find(const QString& AName) const
{
    // A class may publish "Width" beside QWidget's read-only "width": the exact spelling wins.
    for (const TPropInfo& info : FList)
        if (info.Name == AName)
            return &info;
    for (const TPropInfo& info : FList)
        if (info.Name.compare(AName, Qt::CaseInsensitive) == 0)
            return &info;
    return nullptr;
}

bool TPropInfoList::Contains(const TPropInfo& AInfo) const
{
    for (const TPropInfo& info : FList)
        if (info.Kind == AInfo.Kind && info.Prop.metaType() == AInfo.Prop.metaType()
            && info.Name.compare(AInfo.Name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

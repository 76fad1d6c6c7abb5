#pragma once

#include <QMetaProperty>
#include <QString>

#include <vector>

class QObject;

// How a property is stored: ordinals as integers, texts as text, floats as floats; class-typed
// properties are listed but never stored.
enum class TPropKind {
    pkInteger,
    pkChar,
    pkEnumeration,
    pkFloat,
    pkSet,
    pkClass,
    pkWChar,
    pkString,
    pkInt64
};

struct TPropInfo {
    QMetaProperty Prop;
    TPropKind Kind = TPropKind::pkInteger;
    QString Name;
};

// The persistable properties of an object's class (its meta-object properties of the kinds above), in the
// order the class declares them, base classes first.
class TPropInfoList {
public:
    TPropInfoList() = default;
    explicit TPropInfoList(const QObject* AObject);

    // Case-insensitive; nullptr when the class has no such property.
    const TPropInfo* Find(const QString& AName) const;
    // A property of the same kind and, ignoring letter case, the same name.
    bool Contains(const TPropInfo& AInfo) const;
    const TPropInfo& Get(int AIndex) const { return FList.at(size_t(AIndex)); }
    int Count() const { return int(FList.size()); }

private:
    std::vector<TPropInfo> FList;
};

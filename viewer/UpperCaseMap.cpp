#include "viewer/UpperCaseMap.h"

#include <QChar>

const TUpperCaseMap& UpperCaseMap()
{
    static const TUpperCaseMap map = [] {
        TUpperCaseMap upper {};
        for (uint32_t unit = 0; unit < upper.size(); ++unit)
            upper[unit] = QChar(char16_t(unit)).toUpper().unicode();
        return upper;
    }();
    return map;
}

#include "textview/TextViewOptions.h"

int GutterDigits(size_t ALineCount, bool AZeroStart, int ADigitCount)
{
    size_t largest = ALineCount > 0 && AZeroStart ? ALineCount - 1 : ALineCount;
    int digits = 1;
    for (; largest >= 10; largest /= 10)
        ++digits;
    return digits > ADigitCount ? digits : ADigitCount;
}

QString GutterNumber(size_t ALine, bool AZeroStart, bool ALeadingZeros, int ADigits)
{
    const QString number = QString::number(AZeroStart ? ALine : ALine + 1);
    return ALeadingZeros ? number.rightJustified(ADigits, QLatin1Char('0')) : number;
}

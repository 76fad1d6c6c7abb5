#include "util/ErrorReport.h"

#include "util/MessageBoxes.h"

void ShowErrorReport(const QString& AText)
{
    ErrorBox(AText);
}

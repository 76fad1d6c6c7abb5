#include "util/QuillonError.h"

QString ErrorReportText(const std::exception& AError)
{
    if (const auto* error = dynamic_cast<const EQuillonError*>(&AError))
        return error->Message();
    return QString::fromUtf8(AError.what());
}

QString CurrentErrorReportText()
{
    try {
        throw;
    } catch (const std::exception& error) {
        return ErrorReportText(error);
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

#include "textview/CaretReport.h"

#include "textview/JSONTokenizer.h"
#include "textview/SourceView.h"

#include <algorithm>

namespace {
// The first UTF-16 code unit of the UTF-8 character at the start of AText (the high surrogate of a
// character above U+FFFF); a byte that starts no character reads as itself.
int FirstCodeUnit(std::string_view AText)
{
    const auto lead = static_cast<uint8_t>(AText[0]);
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || AText.size() < size_t(length))
        return lead;
    uint32_t code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        code = (code << 6) | (static_cast<uint8_t>(AText[size_t(i)]) & 0x3F);
    if (code > 0xFFFF)
        return int(0xD800 + ((code - 0x10000) >> 10));
    return int(code);
}
} // namespace

TCaretReport ReadCaretReport(const TSourceView& AView)
{
    TCaretReport report;
    const std::string_view text = AView.Text();
    const size_t caret = AView.CaretPosition();
    const size_t line = AView.Lines().LineOf(caret);
    const size_t lineStart = AView.Lines().LineStart(line);
    const size_t lineEnd = AView.Lines().LineEnd(line);
    report.Row = int64_t(line) + 1;
    report.Col = int64_t(Utf16Length(text.substr(lineStart, caret - lineStart))) + 1;
    if (caret < lineEnd)
        report.Chr = FirstCodeUnit(text.substr(caret, std::min<size_t>(lineEnd - caret, 4)));
    report.Sel = SelectionLength(AView.SelectedBytes());
    return report;
}

QString CaretReportText(const TCaretReport& AReport)
{
    return QStringLiteral("Row: %1   Col: %2   Chr: %3(%4h)   Sel: %5")
        .arg(AReport.Row)
        .arg(AReport.Col)
        .arg(AReport.Chr)
        .arg(QString::number(AReport.Chr, 16).toUpper())
        .arg(AReport.Sel);
}

int64_t SelectionLength(std::string_view AText)
{
    int64_t units = int64_t(Utf16Length(AText));
    // A lone CR or a lone LF reads as CR LF.
    for (size_t i = 0; i < AText.size(); ++i) {
        if (AText[i] == '\r') {
            if (i + 1 < AText.size() && AText[i + 1] == '\n')
                ++i;
            else
                ++units;
        } else if (AText[i] == '\n') {
            ++units;
        }
    }
    return units;
}

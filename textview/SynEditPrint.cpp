#include "textview/SynEditPrint.h"

#include "textview/SynJSONSyn.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {
using Sci = QsciScintillaBase;

constexpr double MillimetresPerInch = 25.4;
// Lines of a page are at least half a text line high (a generous bound on what one page takes).
constexpr int LineHeightDivisor = 2;

// Settings of the view that printing changes, put back when it ends.
class TPrintSetup {
public:
    TPrintSetup(QsciScintilla& AView, const TSynEditPrint& ASettings)
        : FView(AView)
        , FColourMode(AView.SendScintilla(Sci::SCI_GETPRINTCOLOURMODE))
        , FMagnification(AView.SendScintilla(Sci::SCI_GETPRINTMAGNIFICATION))
        , FWrapMode(AView.SendScintilla(Sci::SCI_GETPRINTWRAPMODE))
        , FTabWidth(AView.SendScintilla(Sci::SCI_GETTABWIDTH))
        , FMarginType(AView.SendScintilla(Sci::SCI_GETMARGINTYPEN, 0UL))
        , FMarginWidth(AView.SendScintilla(Sci::SCI_GETMARGINWIDTHN, 0UL))
        , FLexer(qobject_cast<TSynJSONSyn*>(AView.lexer()))
    {
        AView.SendScintilla(Sci::SCI_SETPRINTCOLOURMODE,
            static_cast<unsigned long>(
                ASettings.WhiteBackground ? Sci::SC_PRINT_COLOURONWHITE : Sci::SC_PRINT_NORMAL));
        AView.SendScintilla(Sci::SCI_SETPRINTMAGNIFICATION, 0UL);
        AView.SendScintilla(Sci::SCI_SETPRINTWRAPMODE, static_cast<unsigned long>(Sci::SC_WRAP_WORD));
        AView.SendScintilla(Sci::SCI_SETTABWIDTH, static_cast<unsigned long>(ASettings.TabWidth));
        // The printout has line numbers when the first margin is a number margin of some width (it
        // sizes the margin itself); without them no margin is printed.
        AView.SendScintilla(Sci::SCI_SETMARGINTYPEN, 0UL, long(Sci::SC_MARGIN_NUMBER));
        AView.SendScintilla(Sci::SCI_SETMARGINWIDTHN, 0UL, ASettings.LineNumbers ? 1L : 0L);
        // Every printed line must be coloured, not only those on screen.
        if (FLexer) {
            FOnScreenOnly = FLexer->OnScreenOnly();
            FLexer->SetOnScreenOnly(false);
        }
    }
    ~TPrintSetup()
    {
        FView.SendScintilla(Sci::SCI_SETPRINTCOLOURMODE, static_cast<unsigned long>(FColourMode));
        FView.SendScintilla(Sci::SCI_SETPRINTMAGNIFICATION, static_cast<unsigned long>(FMagnification));
        FView.SendScintilla(Sci::SCI_SETPRINTWRAPMODE, static_cast<unsigned long>(FWrapMode));
        FView.SendScintilla(Sci::SCI_SETTABWIDTH, static_cast<unsigned long>(FTabWidth));
        FView.SendScintilla(Sci::SCI_SETMARGINTYPEN, 0UL, FMarginType);
        FView.SendScintilla(Sci::SCI_SETMARGINWIDTHN, 0UL, FMarginWidth);
        if (FLexer)
            FLexer->SetOnScreenOnly(FOnScreenOnly);
    }
    TPrintSetup(const TPrintSetup&) = delete;
    TPrintSetup& operator=(const TPrintSetup&) = delete;

private:
    QsciScintilla& FView;
    long FColourMode;
    long FMagnification;
    long FWrapMode;
    long FTabWidth;
    long FMarginType;
    long FMarginWidth;
    TSynJSONSyn* FLexer;
    bool FOnScreenOnly = true;
};
} // namespace

int TSynEditPrint::Print(QPrinter& APrinter, QsciScintilla& AView) const
{
    // Margins are measured from the paper's edge, not from the printable area.
    APrinter.setFullPage(true);
    APrinter.setCopyCount(Copies);
    QPainter painter;
    if (!painter.begin(&APrinter))
        return 0;
    const double dotsPerMm = APrinter.resolution() / MillimetresPerInch;
    auto dots = [dotsPerMm](double AMillimetres) { return int(AMillimetres * dotsPerMm + 0.5); };
    const QRect paper = APrinter.pageLayout().fullRectPixels(APrinter.resolution());

    QFont font = AView.lexer() ? AView.lexer()->defaultFont() : AView.font();
    QFont headerFont = font;
    const QFontMetrics metrics(font, &APrinter);
    const QFontMetrics headerMetrics(headerFont, &APrinter);
    const int minLineHeight = std::max(1, metrics.height() / LineHeightDivisor);

    TPrintSetup setup(AView, *this);
    const long length = AView.SendScintilla(Sci::SCI_GETLENGTH);
    const long lineCount = AView.SendScintilla(Sci::SCI_GETLINECOUNT);
    long position = 0;
    int page = 0;
    do {
        if (page > 0)
            APrinter.newPage();
        ++page;
        const bool swap = Margins.MirrorMargins && page % 2 == 0;
        const int left = dots(swap ? Margins.Right : Margins.Left);
        const int right = paper.width() - dots(swap ? Margins.Left : Margins.Right);
        const QRect body(
            QPoint(left, dots(Margins.Top)), QPoint(right, paper.height() - dots(Margins.Bottom)));

        // Header: the title above a rule; footer: the page number below one.
        painter.setFont(headerFont);
        painter.setPen(Qt::black);
        const int textLeft = left + dots(Margins.LeftHFTextIndent);
        const int textRight = right - dots(Margins.RightHFTextIndent);
        const int headerTop = dots(Margins.Header);
        const QRect headerText(
            QPoint(textLeft, headerTop), QPoint(textRight, headerTop + headerMetrics.height() - 1));
        painter.drawText(headerText, Qt::AlignLeft | Qt::AlignVCenter,
            headerMetrics.elidedText(Title, Qt::ElideMiddle, headerText.width()));
        const int headerRule = headerText.bottom() + dots(Margins.HFInternalMargin);
        painter.drawLine(left, headerRule, right, headerRule);
        const int footerBottom = paper.height() - dots(Margins.Footer);
        const QRect footerText(
            QPoint(textLeft, footerBottom - headerMetrics.height() + 1), QPoint(textRight, footerBottom));
        const int footerRule = footerText.top() - dots(Margins.HFInternalMargin);
        painter.drawLine(left, footerRule, right, footerRule);
        painter.drawText(footerText, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1").arg(page));

        // The text: no more lines are handed over than can fit, so only what is printed gets coloured.
        const long firstLine =
            AView.SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
        const long boundLine = firstLine + body.height() / minLineHeight + 1;
        const long until = boundLine >= lineCount
            ? length
            : AView.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(boundLine));
        const long next = AView.SendScintilla(Sci::SCI_FORMATRANGE, 1UL, &painter, body, position, until);
        // A page that takes nothing (a line too tall for any page) would repeat for ever.
        if (next <= position)
            break;
        position = next;
    } while (position < length);
    // Frees what the view kept for the printout.
    AView.SendScintilla(Sci::SCI_FORMATRANGE, 0UL, static_cast<void*>(nullptr));
    painter.end();
    return page;
}

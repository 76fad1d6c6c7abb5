#include "textview/SynJSONSyn.h"

#include <QFontDatabase>

#include <algorithm>
#include <vector>

namespace {
// A request longer than this many lines is cut down to the lines on screen.
constexpr size_t FarLines = 1000;
// Lines above and below the screen coloured with it, so that small scrolls find them ready.
constexpr size_t ScreenSlack = 100;
// Lines styled in one pass of a long run.
constexpr size_t StyleBlock = 4096;

using Sci = QsciScintillaBase;

// The lines of a Scintilla document, read in place.
class TViewLines final : public ITextLines {
public:
    explicit TViewLines(QsciScintilla& AView)
        : FView(AView)
    {
    }
    size_t LineCount() override { return size_t(FView.SendScintilla(Sci::SCI_GETLINECOUNT)); }
    long LineStart(size_t ALine)
    {
        if (ALine >= LineCount())
            return FView.SendScintilla(Sci::SCI_GETLENGTH);
        return FView.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(ALine));
    }
    std::string_view Lines(size_t AFirst, size_t ALast) override
    {
        const long from = LineStart(AFirst);
        const long to = LineStart(ALast);
        if (to <= from)
            return {};
        const auto* text = reinterpret_cast<const char*>(
            FView.SendScintilla(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
        return text ? std::string_view(text, size_t(to - from)) : std::string_view();
    }

private:
    QsciScintilla& FView;
};
} // namespace

TSynJSONSyn::TSynJSONSyn(QObject* AParent)
    : QsciLexerCustom(AParent)
    , FBaseFont(QFontDatabase::systemFont(QFontDatabase::FixedFont))
    , FPaper(Qt::white)
{
    setObjectName(QStringLiteral("SynJSONSyn"));
    setDefaultFont(FBaseFont);
    setDefaultPaper(FPaper);
}

const char* TSynJSONSyn::language() const
{
    return "JSON";
}

QString TSynJSONSyn::description(int AStyle) const
{
    if (AStyle < 0 || AStyle >= SynAttributeCount)
        return QString();
    if (AStyle == StyleOf(saNone))
        return QStringLiteral("Default");
    return QString::fromLatin1(SynAttributeName(TSynAttributeKind(AStyle)));
}

QColor TSynJSONSyn::defaultColor(int AStyle) const
{
    if (AStyle >= 0 && AStyle < SynAttributeCount) {
        const TSynAttributeLook look = SynAttributeDefaultLook(TSynAttributeKind(AStyle));
        if (look.HasColor)
            return QColor(look.Red, look.Green, look.Blue);
    }
    return QColor(Qt::black);
}

QFont TSynJSONSyn::defaultFont(int AStyle) const
{
    QFont font = FBaseFont;
    if (AStyle >= 0 && AStyle < SynAttributeCount && SynAttributeDefaultLook(TSynAttributeKind(AStyle)).Bold)
        font.setBold(true);
    return font;
}

QColor TSynJSONSyn::defaultPaper(int) const
{
    return FPaper;
}

void TSynJSONSyn::SetBaseFont(const QFont& AFont)
{
    FBaseFont = AFont;
    setDefaultFont(AFont);
    for (int style = 0; style < SynAttributeCount; ++style)
        setFont(defaultFont(style), style);
}

void TSynJSONSyn::SetPaperColor(const QColor& AColor)
{
    FPaper = AColor;
    setDefaultPaper(AColor);
    setPaper(AColor, -1);
}

void TSynJSONSyn::setEditor(QsciScintilla* AEditor)
{
    if (editor())
        disconnect(editor(), nullptr, this, nullptr);
    QsciLexerCustom::setEditor(AEditor);
    FStates.Forget();
    // What is known of the old text does not hold for the new one, nor after an edit.
    if (AEditor)
        connect(AEditor, &QsciScintilla::textChanged, this, [this] { FStates.Forget(); });
}

void TSynJSONSyn::styleText(int, int AEnd)
{
    QsciScintilla* view = editor();
    if (!view)
        return;
    // Positions come in as int; the view's own counts are wider (texts beyond 2 GB).
    const long length = view->SendScintilla(Sci::SCI_GETLENGTH);
    const long styled = view->SendScintilla(Sci::SCI_GETENDSTYLED);
    long end = AEnd;
    if (end < styled || end > length)
        end = length;
    if (end <= styled)
        return;
    const size_t firstLine =
        size_t(view->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(styled)));
    const size_t lastLine =
        size_t(view->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(end - 1)));
    size_t from = firstLine;
    size_t to = lastLine;
    if (FOnScreenOnly && to - from > FarLines) {
        const long topVisible = view->SendScintilla(Sci::SCI_GETFIRSTVISIBLELINE);
        const long onScreen = view->SendScintilla(Sci::SCI_LINESONSCREEN);
        const auto top =
            size_t(view->SendScintilla(Sci::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(topVisible)));
        const auto bottom = size_t(view->SendScintilla(
            Sci::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(topVisible + onScreen + 1)));
        from = std::max(from, top > ScreenSlack ? top - ScreenSlack : 0);
        to = std::min(to, bottom + ScreenSlack);
        if (from > to)
            return;
    }
    StyleLines(from, to);
    // Lines skipped before the screen stay unstyled for the view, so it asks for them when shown.
    if (from > firstLine)
        view->SendScintilla(Sci::SCI_STARTSTYLING,
            static_cast<unsigned long>(
                view->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(firstLine))));
}

void TSynJSONSyn::StyleLines(size_t AFirst, size_t ALast)
{
    QsciScintilla* view = editor();
    if (!view)
        return;
    TViewLines lines(*view);
    const size_t count = lines.LineCount();
    if (AFirst >= count)
        return;
    ALast = std::min(ALast, count - 1);
    TRangeState state = FStates.StateAt(AFirst, lines);
    std::vector<char> styles;
    for (size_t first = AFirst; first <= ALast; first += StyleBlock) {
        const size_t last = std::min(ALast, first + StyleBlock - 1);
        const long from = lines.LineStart(first);
        const std::string_view text = lines.Lines(first, last + 1);
        // Line breaks keep the space style; every token paints its own bytes.
        styles.assign(text.size(), char(StyleOf(saSpace)));
        TJSONTokenizer scanner(text, state);
        TJSONToken token;
        while (scanner.Next(token))
            std::fill_n(
                styles.begin() + ptrdiff_t(token.Start), token.Length, char(StyleOf(token.Attribute)));
        state = scanner.State();
        FStates.Remember(last + 1, state);
        view->SendScintilla(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(from));
        view->SendScintilla(Sci::SCI_SETSTYLINGEX, static_cast<unsigned long>(styles.size()), styles.data());
    }
}

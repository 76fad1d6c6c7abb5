#include "textview/CustomSynEdit.h"

#include "textview/TextViewAccessible.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace {

constexpr int GutterMargin = 0;
// A gutter without line numbers is a narrow band.
constexpr int PlainGutterWidth = 16;
// Margin text in the line-number style looks like Scintilla's own numbers.
constexpr int LineNumberStyle = QsciScintillaBase::STYLE_LINENUMBER;
// The changes the view is told of: those about to be made, and folds. Not the inserted and deleted text
// itself: for each of those the text control's accessibility support counts the characters from the top
// of the text to the change, which made every key typed in the middle of a large text cost a scan of
// half of it. (A notice passes when any of its flags is in the mask, so the flags saying who made the
// change stay out too.)
// Room for typing an editable text gets beyond its own size: an eighth of it, and at least 64 KiB.
constexpr size_t EditRoomShare = 8;
constexpr size_t MinEditRoom = size_t(64) << 10;
constexpr unsigned long ModEventMask = QsciScintillaBase::SC_MOD_BEFOREINSERT
    | QsciScintillaBase::SC_MOD_BEFOREDELETE | QsciScintillaBase::SC_MOD_CHANGEFOLD;

} // namespace

TCustomSynEdit::TCustomSynEdit(QWidget* AParent)
    : QsciScintilla(AParent)
{
    InstallTextViewAccessible();
    // Documents are UTF-8 throughout; the views take their bytes as they are.
    setUtf8(true);
    // One margin serves as the gutter; the others stay out of the way.
    for (int margin = 1; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    setMarginSensitivity(GutterMargin, false);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { FillVisibleLineNumbers(); });
    connect(this, &QsciScintilla::linesChanged, this, &TCustomSynEdit::UpdateGutter);
    SendScintilla(SCI_SETMODEVENTMASK, ModEventMask);
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int AType) {
        if (AType & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE))
            NoteTextChange();
    });
    UpdateGutter();
}

void TCustomSynEdit::NoteTextChange()
{
    if (FChangePending)
        return;
    FChangePending = true;
    QTimer::singleShot(0, this, &TCustomSynEdit::FlushTextChange);
}

void TCustomSynEdit::FlushTextChange()
{
    if (!FChangePending)
        return;
    FChangePending = false;
    Q_EMIT textChanged();
    if (lines() != FReportedLines) {
        FReportedLines = lines();
        Q_EMIT linesChanged();
    }
}

// Each edit command reports its change before it returns, as the text control's own did.
void TCustomSynEdit::append(const QString& AText)
{
    QsciScintilla::append(AText);
    FlushTextChange();
}

void TCustomSynEdit::clear()
{
    QsciScintilla::clear();
    FlushTextChange();
}

void TCustomSynEdit::cut()
{
    QsciScintilla::cut();
    FlushTextChange();
}

void TCustomSynEdit::insert(const QString& AText)
{
    QsciScintilla::insert(AText);
    FlushTextChange();
}

void TCustomSynEdit::insertAt(const QString& AText, int ALine, int AIndex)
{
    QsciScintilla::insertAt(AText, ALine, AIndex);
    FlushTextChange();
}

void TCustomSynEdit::paste()
{
    QsciScintilla::paste();
    FlushTextChange();
}

void TCustomSynEdit::redo()
{
    QsciScintilla::redo();
    FlushTextChange();
}

void TCustomSynEdit::removeSelectedText()
{
    QsciScintilla::removeSelectedText();
    FlushTextChange();
}

void TCustomSynEdit::replaceSelectedText(const QString& AText)
{
    QsciScintilla::replaceSelectedText(AText);
    FlushTextChange();
}

void TCustomSynEdit::setText(const QString& AText)
{
    QsciScintilla::setText(AText);
    FlushTextChange();
}

void TCustomSynEdit::undo()
{
    QsciScintilla::undo();
    FlushTextChange();
}

void TCustomSynEdit::SetGutterShowLineNumbers(bool AValue)
{
    FShowLineNumbers = AValue;
    UpdateGutter();
}

void TCustomSynEdit::SetGutterLeadingZeros(bool AValue)
{
    FLeadingZeros = AValue;
    UpdateGutter();
}

void TCustomSynEdit::SetGutterZeroStart(bool AValue)
{
    FZeroStart = AValue;
    UpdateGutter();
}

void TCustomSynEdit::SetGutterVisible(bool AValue)
{
    FGutterVisible = AValue;
    UpdateGutter();
}

void TCustomSynEdit::SetGutterDigitCount(int AValue)
{
    FDigitCount = qBound(1, AValue, 12);
    UpdateGutter();
}

void TCustomSynEdit::SetWordWrap(bool AValue)
{
    setWrapMode(AValue ? WrapWord : WrapNone);
    // Wrapping would have the control keep the layout of every line of the text (setWrapMode asks for
    // that): a quarter of a kilobyte a line, gigabytes for a large text. The lines on screen suffice.
    SendScintilla(SCI_SETLAYOUTCACHE, static_cast<unsigned long>(SC_CACHE_PAGE));
}

void TCustomSynEdit::SetSpecialChars(bool AValue)
{
    setWhitespaceVisibility(AValue ? WsVisible : WsInvisible);
    setEolVisibility(AValue);
}

void TCustomSynEdit::SetSelectionMode(int AValue)
{
    FSelectionMode = (AValue == smLine || AValue == smColumn) ? AValue : smNormal;
    ApplySelectionMode();
}

int TCustomSynEdit::GutterDigits() const
{
    return ::GutterDigits(size_t(qMax(0, lines())), FZeroStart, FDigitCount);
}

QString TCustomSynEdit::GutterText(int ALine) const
{
    if (!FShowLineNumbers || !FGutterVisible)
        return QString();
    return GutterNumber(size_t(ALine), FZeroStart, FLeadingZeros, GutterDigits());
}

long TCustomSynEdit::DocumentOptionsFor(size_t ABytes) const
{
    long options = SC_DOCUMENTOPTION_DEFAULT;
    if (!FKeepStyles)
        options |= SC_DOCUMENTOPTION_STYLES_NONE;
    // Positions of a gigabyte or more need the wide form.
    if (ABytes >= (size_t(1) << 30))
        options |= SC_DOCUMENTOPTION_TEXT_LARGE;
    return options;
}

TCustomSynEdit::TDocumentState TCustomSynEdit::CaptureDocumentState()
{
    return {isReadOnly(), SendScintilla(SCI_GETCODEPAGE), SendScintilla(SCI_GETTABWIDTH),
        SendScintilla(SCI_GETUNDOCOLLECTION)};
}

void TCustomSynEdit::SwitchDocument(void* ADocument, const TDocumentState& AState)
{
    SendScintilla(SCI_SETDOCPOINTER, 0UL, ADocument);
    // The view holds its own reference now.
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, ADocument);
    // Code page and tab width belong to the document: the new one takes the view's.
    SendScintilla(SCI_SETCODEPAGE, static_cast<unsigned long>(AState.CodePage));
    SendScintilla(SCI_SETTABWIDTH, static_cast<unsigned long>(AState.TabWidth));
}

void TCustomSynEdit::FinishDocument(const TDocumentState& AState)
{
    SendScintilla(SCI_SETUNDOCOLLECTION, static_cast<unsigned long>(AState.UndoCollection));
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0UL);
    SendScintilla(SCI_SETREADONLY, static_cast<unsigned long>(AState.ReadOnly));
    UpdateGutter();
    FChangePending = false;
    FReportedLines = lines();
    Q_EMIT textChanged();
}

void TCustomSynEdit::AdoptDocument(void* ADocument)
{
    const TDocumentState state = CaptureDocumentState();
    SwitchDocument(ADocument, state);
    FinishDocument(state);
}

size_t TCustomSynEdit::DocumentSizeFor(size_t ABytes, bool AReadOnly) const
{
    // An editable text gets room to grow: filled to the byte, the first keys typed would soon make the
    // control move the whole text into a larger buffer, a pause of a second on a large text.
    return ABytes + (AReadOnly ? 0 : ABytes / EditRoomShare + MinEditRoom);
}

void TCustomSynEdit::PrepareTextBytes(size_t ABytes)
{
    DiscardPrepared();
    FPreparedSize = DocumentSizeFor(ABytes, isReadOnly());
    FPrepared = SendScintilla(
        SCI_CREATEDOCUMENT, static_cast<unsigned long>(FPreparedSize), DocumentOptionsFor(FPreparedSize));
}

void TCustomSynEdit::DiscardPrepared()
{
    if (FPrepared)
        SendScintilla(SCI_RELEASEDOCUMENT, 0UL, FPrepared);
    FPrepared = 0;
    FPreparedSize = 0;
}

void TCustomSynEdit::SetTextBytes(std::string_view AText)
{
    const TDocumentState state = CaptureDocumentState();
    // No change notifications while filling: they would carry copies of the whole text.
    const long eventMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
    // A prepared document serves when the text fits it with its room for typing, and needs the same
    // options (a text may have grown past the gigabyte that needs wide positions).
    const size_t size = DocumentSizeFor(AText.size(), state.ReadOnly);
    long document = 0;
    if (FPrepared && AText.size() <= FPreparedSize
        && DocumentOptionsFor(FPreparedSize) == DocumentOptionsFor(size)) {
        document = FPrepared;
        FPrepared = 0;
    }
    DiscardPrepared();
    if (!document)
        document =
            SendScintilla(SCI_CREATEDOCUMENT, static_cast<unsigned long>(size), DocumentOptionsFor(size));
    SwitchDocument(reinterpret_cast<void*>(document), state);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    if (!AText.empty())
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(AText.size()), AText.data());
    SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(eventMask));
    FinishDocument(state);
}

void TCustomSynEdit::UpdateGutter()
{
    if (!FGutterVisible) {
        setMarginWidth(GutterMargin, 0);
        FWidthDigits = 0;
        return;
    }
    if (!FShowLineNumbers) {
        clearMarginText();
        setMarginType(GutterMargin, SymbolMargin);
        setMarginWidth(GutterMargin, PlainGutterWidth);
        FWidthDigits = 0;
        return;
    }
    const int digits = GutterDigits();
    if (CustomNumbers()) {
        if (marginType(GutterMargin) != TextMarginRightJustified) {
            setMarginType(GutterMargin, TextMarginRightJustified);
            FWidthDigits = 0;
        }
    } else if (marginType(GutterMargin) != NumberMargin) {
        clearMarginText();
        setMarginType(GutterMargin, QsciScintilla::NumberMargin);
        FWidthDigits = 0;
    }
    if (digits != FWidthDigits) {
        // One digit more than needed leaves a little room on either side.
        setMarginWidth(
            GutterMargin, QFontMetrics(font()).horizontalAdvance(QString(digits + 1, QLatin1Char('9'))));
        FWidthDigits = digits;
        // Padded numbers change with the width: write the visible ones again.
        if (CustomNumbers())
            clearMarginText();
    }
    FillVisibleLineNumbers();
}

void TCustomSynEdit::FillVisibleLineNumbers()
{
    if (!CustomNumbers() || !FGutterVisible)
        return;
    const long firstVisible = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const long onScreen = SendScintilla(SCI_LINESONSCREEN);
    const int first = int(SendScintilla(SCI_DOCLINEFROMVISIBLE, firstVisible));
    const int last =
        qMin(lines() - 1, int(SendScintilla(SCI_DOCLINEFROMVISIBLE, firstVisible + onScreen + 1)));
    for (int line = first; line <= last; ++line) {
        const QString text = GutterText(line);
        // Only real changes: setting margin text repaints, which would come back here.
        if (MarginTextOf(line) != text)
            setMarginText(line, text, LineNumberStyle);
    }
}

QString TCustomSynEdit::MarginTextOf(int ALine) const
{
    const long length =
        SendScintilla(SCI_MARGINGETTEXT, static_cast<unsigned long>(ALine), static_cast<char*>(nullptr));
    if (length <= 0)
        return QString();
    QByteArray text(length + 1, '\0');
    SendScintilla(SCI_MARGINGETTEXT, static_cast<unsigned long>(ALine), text.data());
    return QString::fromUtf8(text.constData());
}

void TCustomSynEdit::ApplySelectionMode()
{
    const long mode = FSelectionMode == smLine ? SC_SEL_LINES
        : FSelectionMode == smColumn           ? SC_SEL_RECTANGLE
                                               : SC_SEL_STREAM;
    // The first call also makes caret moves extend the selection; the second switches that off again and
    // keeps the mode.
    SendScintilla(SCI_SETSELECTIONMODE, mode);
    SendScintilla(SCI_SETSELECTIONMODE, mode);
}

void TCustomSynEdit::mousePressEvent(QMouseEvent* AEvent)
{
    QsciScintilla::mousePressEvent(AEvent);
    // The middle button pastes the selection.
    FlushTextChange();
    if (AEvent->button() != Qt::LeftButton)
        return;
    if (FSelectionMode == smColumn) {
        // A click starts a plain selection; the column mode applies to the drag that follows.
        ApplySelectionMode();
    } else if (FSelectionMode == smLine) {
        FLineAnchor = LineAt(AEvent->position().toPoint());
        SelectWholeLines(FLineAnchor);
    }
}

void TCustomSynEdit::mouseMoveEvent(QMouseEvent* AEvent)
{
    QsciScintilla::mouseMoveEvent(AEvent);
    if (FSelectionMode == smLine && (AEvent->buttons() & Qt::LeftButton))
        SelectWholeLines(LineAt(AEvent->position().toPoint()));
}

void TCustomSynEdit::mouseReleaseEvent(QMouseEvent* AEvent)
{
    QsciScintilla::mouseReleaseEvent(AEvent);
    if (FSelectionMode == smLine && AEvent->button() == Qt::LeftButton)
        SelectWholeLines(LineAt(AEvent->position().toPoint()));
}

// From the line where the drag began to the caret's line, each line whole with its line end.
int TCustomSynEdit::LineAt(const QPoint& APoint) const
{
    const long pos = SendScintilla(SCI_POSITIONFROMPOINT, static_cast<unsigned long>(qMax(0, APoint.x())),
        static_cast<long>(qMax(0, APoint.y())));
    return int(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos)));
}

void TCustomSynEdit::SelectWholeLines(int ALine)
{
    const int line = ALine;
    const int first = qMin(line, FLineAnchor);
    const int last = qMax(line, FLineAnchor);
    const bool toEnd = last + 1 >= lines();
    const int endLine = toEnd ? last : last + 1;
    const int endIndex = toEnd ? int(text(last).size()) : 0;
    if (line >= FLineAnchor)
        setSelection(first, 0, endLine, endIndex);
    else
        setSelection(endLine, endIndex, first, 0);
}

void TCustomSynEdit::changeEvent(QEvent* AEvent)
{
    QsciScintilla::changeEvent(AEvent);
    if (AEvent->type() == QEvent::FontChange) {
        FWidthDigits = 0;
        UpdateGutter();
    }
}

void TCustomSynEdit::keyPressEvent(QKeyEvent* AEvent)
{
    QsciScintilla::keyPressEvent(AEvent);
    FlushTextChange();
    if (FSelectionMode != smNormal && (AEvent->modifiers() & Qt::ShiftModifier))
        ApplySelectionMode();
}

void TCustomSynEdit::inputMethodEvent(QInputMethodEvent* AEvent)
{
    QsciScintilla::inputMethodEvent(AEvent);
    FlushTextChange();
}

void TCustomSynEdit::dropEvent(QDropEvent* AEvent)
{
    QsciScintilla::dropEvent(AEvent);
    FlushTextChange();
}

#pragma once

#include "textview/QsciInclude.h"
#include "textview/TextViewOptions.h"

#include <string_view>

// The text control of the source view, the value view and the editor: a Scintilla view with a gutter
// whose line numbers can start at 0 and carry leading zeros, and the settings the layout keeps.
// The line numbers are produced for the visible lines only, so documents of millions of lines cost nothing.
class TCustomSynEdit : public QsciScintilla, public ITextViewOptions {
    Q_OBJECT
    Q_PROPERTY(bool GutterShowLineNumbers READ GutterShowLineNumbers WRITE SetGutterShowLineNumbers)
    Q_PROPERTY(bool GutterLeadingZeros READ GutterLeadingZeros WRITE SetGutterLeadingZeros)
    Q_PROPERTY(bool GutterZeroStart READ GutterZeroStart WRITE SetGutterZeroStart)
    Q_PROPERTY(bool GutterVisible READ GutterVisible WRITE SetGutterVisible)
    Q_PROPERTY(int GutterDigitCount READ GutterDigitCount WRITE SetGutterDigitCount)
    Q_PROPERTY(bool AutoIndent READ AutoIndent WRITE SetAutoIndent)
    Q_PROPERTY(int SelectionMode READ SelectionMode WRITE SetSelectionMode)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

public:
    explicit TCustomSynEdit(QWidget* AParent = nullptr);
    ~TCustomSynEdit() override { DiscardPrepared(); }

    bool GutterShowLineNumbers() const override { return FShowLineNumbers; }
    void SetGutterShowLineNumbers(bool AValue) override;
    bool GutterLeadingZeros() const override { return FLeadingZeros; }
    void SetGutterLeadingZeros(bool AValue) override;
    bool GutterZeroStart() const override { return FZeroStart; }
    void SetGutterZeroStart(bool AValue) override;
    bool GutterVisible() const override { return FGutterVisible; }
    void SetGutterVisible(bool AValue) override;
    // Least number of digits the gutter makes room for (and pads to with leading zeros).
    int GutterDigitCount() const { return FDigitCount; }
    void SetGutterDigitCount(int AValue);
    bool AutoIndent() const override { return autoIndent(); }
    void SetAutoIndent(bool AValue) override { setAutoIndent(AValue); }
    int SelectionMode() const override { return FSelectionMode; }
    void SetSelectionMode(int AValue) override;
    bool WordWrap() const override { return wrapMode() != WrapNone; }
    void SetWordWrap(bool AValue) override;

    bool SpecialChars() const override { return whitespaceVisibility() != WsInvisible; }
    void SetSpecialChars(bool AValue) override;
    bool HasSelectedText() const override { return hasSelectedText(); }
    QString SelectedText() const override { return selectedText(); }
    void SelectAllText() override { selectAll(); }
    QAbstractScrollArea* ScrollArea() override { return this; }

    // Replaces the whole text with UTF-8 bytes, as they are, keeping no undo history of it. Made for
    // large documents: no conversion, none of the copies that change notifications would make, and
    // positions wide enough for texts beyond 2 GB. The view's read-only state stays as it was.
    void SetTextBytes(std::string_view AText);
    // Makes the empty document the next SetTextBytes of about ABytes will fill, so that the caller can
    // read or check the text meanwhile (on another thread): a large document's buffers take a while
    // to make. A text that does not fit its room gets a document of its own; DiscardPrepared (also
    // called when the view goes) gives an unused one back.
    void PrepareTextBytes(size_t ABytes);
    void DiscardPrepared();
    // Shows a document made elsewhere (by a loader, or SCI_CREATEDOCUMENT) in place of the current one,
    // taking over the caller's reference. The view's code page, tab width and read-only state carry
    // over to it.
    void AdoptDocument(void* ADocument);
    // The document options for a text of this many bytes (see SetTextBytes).
    long DocumentOptionsFor(size_t ABytes) const;

    // Whether texts set by SetTextBytes keep a style byte per character (needed for colouring); a
    // view that shows plain text saves that memory.
    bool KeepStyles() const { return FKeepStyles; }
    void SetKeepStyles(bool AValue) { FKeepStyles = AValue; }

    // Reports a change of the text made since the last report: textChanged, and linesChanged when the
    // number of lines changed. Runs by itself after every key, drop, edit command and on the next
    // turn of the event loop; callers that change the text through SendScintilla and need the report at
    // once call it themselves.
    void FlushTextChange();

    // The edit commands, each reporting its change at once.
    void append(const QString& AText) override;
    void clear() override;
    void cut() override;
    void insert(const QString& AText) override;
    void insertAt(const QString& AText, int ALine, int AIndex) override;
    void paste() override;
    void redo() override;
    void removeSelectedText() override;
    void replaceSelectedText(const QString& AText) override;
    void setText(const QString& AText) override;
    void undo() override;

    // The gutter text of document line ALine (0-based) as shown; empty without line numbers.
    QString GutterText(int ALine) const;
    // Number of digits the line numbers take: the largest number shown, at least GutterDigitCount.
    int GutterDigits() const;

protected:
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseMoveEvent(QMouseEvent* AEvent) override;
    void mouseReleaseEvent(QMouseEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    void inputMethodEvent(QInputMethodEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    // What belongs to the document rather than the view, carried over when the document changes.
    struct TDocumentState {
        bool ReadOnly;
        long CodePage;
        long TabWidth;
        long UndoCollection;
    };
    TDocumentState CaptureDocumentState();
    // The size a document for a text of this many bytes is made with: an editable text gets room.
    size_t DocumentSizeFor(size_t ABytes, bool AReadOnly) const;
    void SwitchDocument(void* ADocument, const TDocumentState& AState);
    void FinishDocument(const TDocumentState& AState);
    void UpdateGutter();
    // A change of the text is about to be made.
    void NoteTextChange();
    void FillVisibleLineNumbers();
    void ApplySelectionMode();
    void SelectWholeLines(int ALine);
    int LineAt(const QPoint& APoint) const;
    // The margin text Scintilla holds for ALine.
    QString MarginTextOf(int ALine) const;
    bool CustomNumbers() const { return FShowLineNumbers && (FLeadingZeros || FZeroStart); }

    bool FShowLineNumbers = true;
    bool FLeadingZeros = false;
    bool FZeroStart = false;
    bool FGutterVisible = true;
    int FDigitCount = 4;
    int FSelectionMode = smNormal;
    int FWidthDigits = 0;
    bool FKeepStyles = true;
    int FLineAnchor = 0;
    // A change is made and not reported yet; the line count of the last report.
    bool FChangePending = false;
    int FReportedLines = 0;
    // A document made by PrepareTextBytes, with the size it was made for.
    long FPrepared = 0;
    size_t FPreparedSize = 0;
};

#pragma once
// The JSON highlighter of the text views: colours what the view is about to show, token by token
// (JSONTokenizer.h), with the range state carried from line to line (JSONRangeStates.h).
//
// It styles lazily: Scintilla asks for styles from its last styled position up to what it paints,
// which after a jump (Ctrl+End, a dragged scroll bar) is the whole text in between. Such a request is
// cut down to the lines on screen, and the view is told that the lines skipped are still unstyled,
// so they are coloured when they come into view. The state at the first line on screen is found by
// looking back to the nearest line that settles it.

#include "textview/JSONRangeStates.h"
#include "textview/JSONTokenizer.h"
#include "textview/QsciLexerInclude.h"

class TSynJSONSyn : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit TSynJSONSyn(QObject* AParent = nullptr);

    const char* language() const override;
    QString description(int AStyle) const override;
    QColor defaultColor(int AStyle) const override;
    QFont defaultFont(int AStyle) const override;
    QColor defaultPaper(int AStyle) const override;
    void styleText(int AStart, int AEnd) override;
    void setEditor(QsciScintilla* AEditor) override;

    // The style number of an attribute in the view.
    static constexpr int StyleOf(TSynAttributeKind AAttribute) { return int(AAttribute); }

    // The font of every style (reserved words in its bold form) and the background of all of them.
    void SetBaseFont(const QFont& AFont);
    void SetPaperColor(const QColor& AColor);

    // Whether far requests are cut down to the lines on screen (on); off while printing, which needs
    // every line it prints coloured.
    bool OnScreenOnly() const { return FOnScreenOnly; }
    void SetOnScreenOnly(bool AValue) { FOnScreenOnly = AValue; }

    // Colours lines [AFirst, ALast] of the view now.
    void StyleLines(size_t AFirst, size_t ALast);

private:
    QFont FBaseFont;
    QColor FPaper;
    TJSONRangeStates FStates;
    bool FOnScreenOnly = true;
};

#pragma once
// What the document window's context menu and the text control layout need of a text view, shared by
// the Scintilla views (value view, editor) and the source view of our own.

#include <QString>

#include <cstddef>

class QAbstractScrollArea;

// How the mouse and the keyboard select text.
enum TSynSelectionMode { smNormal = 0, smLine = 1, smColumn = 2 };

// Digits the gutter's line numbers take in a text of ALineCount lines: the largest number shown, and at
// least ADigitCount.
int GutterDigits(size_t ALineCount, bool AZeroStart, int ADigitCount);
// The gutter's number of line ALine (0-based), padded with zeros to ADigits when ALeadingZeros.
QString GutterNumber(size_t ALine, bool AZeroStart, bool ALeadingZeros, int ADigits);

class ITextViewOptions {
public:
    // The seven settings the text control layout keeps.
    virtual bool GutterShowLineNumbers() const = 0;
    virtual void SetGutterShowLineNumbers(bool AValue) = 0;
    virtual bool GutterLeadingZeros() const = 0;
    virtual void SetGutterLeadingZeros(bool AValue) = 0;
    virtual bool GutterZeroStart() const = 0;
    virtual void SetGutterZeroStart(bool AValue) = 0;
    virtual bool GutterVisible() const = 0;
    virtual void SetGutterVisible(bool AValue) = 0;
    virtual bool AutoIndent() const = 0;
    virtual void SetAutoIndent(bool AValue) = 0;
    virtual int SelectionMode() const = 0;
    virtual void SetSelectionMode(int AValue) = 0;
    virtual bool WordWrap() const = 0;
    virtual void SetWordWrap(bool AValue) = 0;

    // Marks for spaces, tabs and line ends.
    virtual bool SpecialChars() const = 0;
    virtual void SetSpecialChars(bool AValue) = 0;
    virtual bool HasSelectedText() const = 0;
    // The selection as text, line breaks as they stand in the text.
    virtual QString SelectedText() const = 0;
    virtual void SelectAllText() = 0;
    // The widget itself (for placing a menu on its viewport).
    virtual QAbstractScrollArea* ScrollArea() = 0;

protected:
    ~ITextViewOptions() = default;
};

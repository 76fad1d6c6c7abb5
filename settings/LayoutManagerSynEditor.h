#pragma once

#include "settings/LayoutManagerControl.h"

class ITextViewOptions;

// Keeps the seven settings of a text control (a Scintilla view or the source view): line numbers, leading
// zeros, zero start, gutter, automatic indentation, selection mode and word wrap. The control's first
// registered settings are its defaults.
class TLayoutManagerSynEditLayout : public TLayoutManagerControlLayout {
public:
    static ILayoutManagerControlLayoutPtr Create();

    void SetControl(TLayoutManagerControl* AControl) override;
    void SaveDefault(bool AForce) override;
    void Save() override;
    void RestoreDefault() override;
    void Restore() override;

private:
    ITextViewOptions* Editor() const;
    void SaveTo(const QString& ASection);
    void RestoreFrom(const QString& ASection);
};

#include "settings/LayoutManagerSynEditor.h"

#include "textview/TextViewOptions.h"

#include <QObject>

namespace {

const QString DefaultKey = QStringLiteral("\\Default");

} // namespace

ILayoutManagerControlLayoutPtr TLayoutManagerSynEditLayout::Create()
{
    return std::make_shared<TLayoutManagerSynEditLayout>();
}

void TLayoutManagerSynEditLayout::SetControl(TLayoutManagerControl* AControl)
{
    if (!AControl || !dynamic_cast<ITextViewOptions*>(AControl->Component()))
        throw ELayoutManager(QStringLiteral("TLayoutManagerSynEditLayout: Control is not TCustomSynEdit"));
    TLayoutManagerControlLayout::SetControl(AControl);
}

ITextViewOptions* TLayoutManagerSynEditLayout::Editor() const
{
    return FLMC ? dynamic_cast<ITextViewOptions*>(FLMC->Component()) : nullptr;
}

void TLayoutManagerSynEditLayout::SaveTo(const QString& ASection)
{
    ITextViewOptions* editor = Editor();
    ILayoutManagerStorage* storage = FLMC ? FLMC->Storage().get() : nullptr;
    if (!editor || !storage)
        return;
    storage->WriteBoolean(
        ASection, QStringLiteral("Gutter.ShowLineNumbers"), editor->GutterShowLineNumbers());
    storage->WriteBoolean(ASection, QStringLiteral("Gutter.LeadingZeros"), editor->GutterLeadingZeros());
    storage->WriteBoolean(ASection, QStringLiteral("Gutter.ZeroStart"), editor->GutterZeroStart());
    storage->WriteBoolean(ASection, QStringLiteral("Gutter.Visible"), editor->GutterVisible());
    storage->WriteBoolean(ASection, QStringLiteral("Options.AutoIndent"), editor->AutoIndent());
    storage->WriteInteger(ASection, QStringLiteral("SelectionMode"), editor->SelectionMode());
    storage->WriteBoolean(ASection, QStringLiteral("WordWrap"), editor->WordWrap());
}

void TLayoutManagerSynEditLayout::RestoreFrom(const QString& ASection)
{
    ITextViewOptions* editor = Editor();
    ILayoutManagerStorage* storage = FLMC ? FLMC->Storage().get() : nullptr;
    if (!editor || !storage)
        return;
    editor->SetGutterShowLineNumbers(storage->ReadBoolean(
        ASection, QStringLiteral("Gutter.ShowLineNumbers"), editor->GutterShowLineNumbers()));
    editor->SetGutterLeadingZeros(
        storage->ReadBoolean(ASection, QStringLiteral("Gutter.LeadingZeros"), editor->GutterLeadingZeros()));
    editor->SetGutterZeroStart(
        storage->ReadBoolean(ASection, QStringLiteral("Gutter.ZeroStart"), editor->GutterZeroStart()));
    editor->SetGutterVisible(
        storage->ReadBoolean(ASection, QStringLiteral("Gutter.Visible"), editor->GutterVisible()));
    editor->SetAutoIndent(
        storage->ReadBoolean(ASection, QStringLiteral("Options.AutoIndent"), editor->AutoIndent()));
    editor->SetSelectionMode(
        int(storage->ReadInteger(ASection, QStringLiteral("SelectionMode"), editor->SelectionMode())));
    editor->SetWordWrap(storage->ReadBoolean(ASection, QStringLiteral("WordWrap"), editor->WordWrap()));
}

void TLayoutManagerSynEditLayout::Save()
{
    SaveTo(LayoutSection());
}

void TLayoutManagerSynEditLayout::Restore()
{
    RestoreFrom(LayoutSection());
}

void TLayoutManagerSynEditLayout::SaveDefault(bool AForce)
{
    if (!FLMC || !FLMC->Storage())
        return;
    ILayoutManagerStorage& storage = *FLMC->Storage();
    TStorageCloser closer(storage);
    const QString section = LayoutSection() + DefaultKey;
    if (AForce || !storage.SectionExists(section))
        SaveTo(section);
}

void TLayoutManagerSynEditLayout::RestoreDefault()
{
    if (!FLMC || !FLMC->Storage())
        return;
    ILayoutManagerStorage& storage = *FLMC->Storage();
    TStorageCloser closer(storage);
    const QString section = LayoutSection() + DefaultKey;
    if (storage.SectionExists(section))
        RestoreFrom(section);
}

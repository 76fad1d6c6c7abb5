#pragma once
// The accessible of the text views. The text control's own one converts the caret's byte position
// into a character offset counted from the start of the text at every caret move and repaint, which
// for a text of hundreds of megabytes takes seconds near its end (Ctrl+End). The text views get a
// plain editable-text accessible instead (role, name, geometry, focus; no text interface).

// Registers the accessible for TCustomSynEdit, the classes derived from it and TSourceView; idempotent.
void InstallTextViewAccessible();

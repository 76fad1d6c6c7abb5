#pragma once
// `highlight [--raw] [--count] FILE`: the highlighter's tokens of the text the Source page shows (the
// formatted text, or the file's own text when it is no JSON), one per line:
//   LINE<TAB>COL<TAB>LENGTH<TAB>KIND<TAB>ATTRIBUTE
// line and column from 1, column and length in UTF-16 code units, ATTRIBUTE "-" for none. --raw: the
// file's own text as the editor loads it (one leading byte-order mark dropped); --count: only the
// number of tokens of each kind. ARGV holds the arguments after "highlight".
int HighlightCommand(int AArgc, char** AArgv);

#pragma once

// QScintilla's lexer headers use the plain signals/slots keywords, which this project switches off.
#include "textview/QsciInclude.h"

#ifndef signals
#define QUILLON_QSCI_LEXER_SIGNALS
#define signals Q_SIGNALS
#endif
#ifndef slots
#define QUILLON_QSCI_LEXER_SLOTS
#define slots Q_SLOTS
#endif

#include <Qsci/qscilexercustom.h>

#ifdef QUILLON_QSCI_LEXER_SIGNALS
#undef signals
#undef QUILLON_QSCI_LEXER_SIGNALS
#endif
#ifdef QUILLON_QSCI_LEXER_SLOTS
#undef slots
#undef QUILLON_QSCI_LEXER_SLOTS
#endif

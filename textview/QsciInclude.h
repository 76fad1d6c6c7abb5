#pragma once

// QScintilla's headers use the plain signals/slots keywords, which this project switches off.
#ifndef signals
#define QUILLON_QSCI_SIGNALS
#define signals Q_SIGNALS
#endif
#ifndef slots
#define QUILLON_QSCI_SLOTS
#define slots Q_SLOTS
#endif

#include <Qsci/qsciscintilla.h>

#ifdef QUILLON_QSCI_SIGNALS
#undef signals
#undef QUILLON_QSCI_SIGNALS
#endif
#ifdef QUILLON_QSCI_SLOTS
#undef slots
#undef QUILLON_QSCI_SLOTS
#endif

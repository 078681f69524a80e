#pragma once

// QScintilla's headers use Qt's bare keywords, which this project switches off; they get the
// macro names for as long as the headers are read.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots

#pragma once

// The project builds with QT_NO_KEYWORDS, but the installed QCustomPlot header still spells
// signals, slots, emit and foreach. They are defined only while that header is read; anything
// that needs QCustomPlot includes it through here.
#if defined(QT_NO_KEYWORDS)
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
#else
#include <qcustomplot.h>
#endif

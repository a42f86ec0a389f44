// One logging category per layer, all off by default. Enable with QT_LOGGING_RULES, e.g.
// QT_LOGGING_RULES="vexalo.speech.debug=true" shows every clip as it starts playing.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSpeech)
Q_DECLARE_LOGGING_CATEGORY(lcInterpreter)
Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcShare)
Q_DECLARE_LOGGING_CATEGORY(lcShell)
Q_DECLARE_LOGGING_CATEGORY(lcWindow)

#include "logging.h"

Q_LOGGING_CATEGORY(lcSpeech, "vexalo.speech", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInterpreter, "vexalo.interpreter", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLink, "vexalo.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShare, "vexalo.share", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "vexalo.shell", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWindow, "vexalo.window", QtWarningMsg)

#pragma once

#include <QtGlobal>

// Drops Qt's debug, info, warning and critical messages: the code under test
// logs every malformed input, and printing millions of those lines would cost
// most of the fuzzing time. Fatal messages still abort.
class QuietMessages
{
public:
    static void install()
    {
        static const bool installed = (qInstallMessageHandler(&QuietMessages::handle), true);
        Q_UNUSED(installed)
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &)
    {
        if (type == QtFatalMsg)
            abort();
    }
};

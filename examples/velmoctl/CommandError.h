#pragma once
// A failed command: the message for stderr and the process exit status.

#include <QString>

#include <optional>

class CommandError
{
public:
    // Exit statuses of velmoctl, documented in --help.
    enum ExitStatus {
        Failure = 1,     // the library, the controller or a file operation failed
        UsageError = 2,    // bad command line, bad or unreadable input file
        Timeout = 3,       // --wait / --watch gave up while the axis still moved
        Interrupted = 130  // Ctrl-C or SIGTERM during a wait
    };

    CommandError(ExitStatus status, const QString &message, std::optional<int> libraryCode = std::nullopt);

    static CommandError usage(const QString &message);

    ExitStatus status() const { return m_status; }
    const QString &message() const { return m_message; }
    // The library's result code when the failure came from one of its calls.
    std::optional<int> libraryCode() const { return m_libraryCode; }

private:
    ExitStatus m_status;
    QString m_message;
    std::optional<int> m_libraryCode;
};

#include "CommandError.h"

CommandError::CommandError(ExitStatus status, const QString &message, std::optional<int> libraryCode)
    : m_status(status), m_message(message), m_libraryCode(libraryCode)
{
}

CommandError CommandError::usage(const QString &message)
{
    return CommandError(UsageError, message);
}

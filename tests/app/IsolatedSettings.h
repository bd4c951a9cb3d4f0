#pragma once
// Gives a test its own program folder (with a copy of the English catalogue
// unless told otherwise) and user configuration folder, so the language
// setting never reads or writes the build's own appConfig.ini.

#include "LanguageSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class IsolatedSettings
{
public:
    explicit IsolatedSettings(bool withTranslation = true)
    {
        if (withTranslation)
            QFile::copy(LanguageSettings(QCoreApplication::applicationDirPath(), QString()).translationPath(),
                        LanguageSettings(programFolder(), QString()).translationPath());
        LanguageSettings::setDefaultFolders(programFolder(), userFolder());
    }
    ~IsolatedSettings() { LanguageSettings::setDefaultFolders(QString(), QString()); }
    IsolatedSettings(const IsolatedSettings &) = delete;
    IsolatedSettings &operator=(const IsolatedSettings &) = delete;

    QString programFolder() const { return m_program.path(); }
    QString userFolder() const { return m_user.path() + QStringLiteral("/config"); }
    QString programFile() const { return programFolder() + QStringLiteral("/appConfig.ini"); }
    QString userFile() const { return userFolder() + QStringLiteral("/appConfig.ini"); }

private:
    QTemporaryDir m_program;
    QTemporaryDir m_user;
};

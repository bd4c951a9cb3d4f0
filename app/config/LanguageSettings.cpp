#include "LanguageSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const char kKey[] = "language/type";

QString &defaultProgramFolder()
{
    static QString folder;
    return folder;
}

QString &defaultUserConfigFolder()
{
    static QString folder;
    return folder;
}

// QSettings turns a missing key, a missing file and a broken value alike
// into the default; only a whole number counts as stored.
bool readStored(const QString &path, int *language)
{
    if (!QFileInfo::exists(path))
        return false;
    QSettings settings(path, QSettings::IniFormat);
    const QVariant value = settings.value(QLatin1String(kKey));
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!value.isValid() || !ok)
        return false;
    *language = number;
    return true;
}

} // namespace

LanguageSettings::LanguageSettings()
    : LanguageSettings(defaultProgramFolder().isEmpty() ? QCoreApplication::applicationDirPath()
                                                        : defaultProgramFolder(),
                       defaultUserConfigFolder().isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                           : defaultUserConfigFolder())
{
}

LanguageSettings::LanguageSettings(const QString &programFolder, const QString &userConfigFolder)
    : m_programFolder(programFolder), m_userConfigFolder(userConfigFolder)
{
}

void LanguageSettings::setDefaultFolders(const QString &programFolder, const QString &userConfigFolder)
{
    defaultProgramFolder() = programFolder;
    defaultUserConfigFolder() = userConfigFolder;
}

QString LanguageSettings::translationPath() const
{
    return m_programFolder + QLatin1Char('/') + translationFileName();
}

QString LanguageSettings::installedProgramSubfolder()
{
    return QStringLiteral(VELMO_APP_INSTALL_DIR);
}

bool LanguageSettings::programFolderInstalled() const
{
    const QString folder = QDir::cleanPath(QDir(m_programFolder).absolutePath());
    return folder.endsWith(QLatin1Char('/') + installedProgramSubfolder());
}

bool LanguageSettings::programFolderWritable() const
{
    const QFileInfo file(m_programFolder + QLatin1Char('/') + fileName());
    if (file.exists())
        return file.isWritable() && QFileInfo(m_programFolder).isWritable();
    // Permission bits do not tell everything (a read-only mount, root):
    // try to create a file where the settings would go.
    QTemporaryFile probe(m_programFolder + QStringLiteral("/.appConfig-XXXXXX"));
    return probe.open();
}

QString LanguageSettings::settingsPath() const
{
    if (m_userConfigFolder.isEmpty() || (!programFolderInstalled() && programFolderWritable()))
        return m_programFolder + QLatin1Char('/') + fileName();
    return m_userConfigFolder + QLatin1Char('/') + fileName();
}

int LanguageSettings::readLanguage() const
{
    int language = Chinese;
    const QString path = settingsPath();
    if (readStored(path, &language))
        return language;
    const QString besideProgram = m_programFolder + QLatin1Char('/') + fileName();
    if (path != besideProgram && readStored(besideProgram, &language))
        return language;
    return Chinese;
}

bool LanguageSettings::writeLanguage(int language) const
{
    const QString path = settingsPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(QLatin1String(kKey), language);
    settings.sync();
    return settings.status() == QSettings::NoError && QFileInfo::exists(path);
}

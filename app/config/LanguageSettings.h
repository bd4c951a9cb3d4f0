#pragma once

#include <QString>

// Where the interface language is kept: appConfig.ini beside the program,
// group "language", key "type" (0 Chinese, 1 English). A program folder that
// cannot be written, or that is the installed one (<prefix>/lib/velmo, even
// when root may write there), sends reads and writes to the same file in the
// user's configuration folder, so that a choice is never lost and a package's
// folder stays untouched; a file left beside the program still serves as the
// default there.
class LanguageSettings
{
public:
    enum Language { Chinese = 0, English = 1 };

    // The program's folder and QStandardPaths::AppConfigLocation, unless
    // setDefaultFolders chose others.
    LanguageSettings();
    LanguageSettings(const QString &programFolder, const QString &userConfigFolder);

    // The folders later default-constructed settings use (tests, relocated
    // installs); empty texts restore the standard ones.
    static void setDefaultFolders(const QString &programFolder, const QString &userConfigFolder);

    QString programFolder() const { return m_programFolder; }
    // The file reads and writes go to.
    QString settingsPath() const;
    // programFolder + "/velmo_en_US.qm"
    QString translationPath() const;

    // The stored language; 0 when neither file holds one.
    int readLanguage() const;
    // False when the value could not be stored.
    bool writeLanguage(int language) const;

    static QString fileName() { return QStringLiteral("appConfig.ini"); }
    // The English catalogue's name beside the program.
    static QString translationFileName() { return QStringLiteral("velmo_en_US.qm"); }
    // Where installation puts the program, relative to the prefix ("lib/velmo").
    static QString installedProgramSubfolder();

private:
    bool programFolderWritable() const;
    bool programFolderInstalled() const;

    QString m_programFolder;
    QString m_userConfigFolder;
};

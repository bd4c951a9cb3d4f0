#include "AppResources.h"
#include "AppLogCategories.h"

#include "LanguageSettings.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QTranslator>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initVelmoResourceSets()
{
    Q_INIT_RESOURCE(velmo_style);
    Q_INIT_RESOURCE(velmo_i18n);
}

namespace AppResources {

void init()
{
    static const bool done = (initVelmoResourceSets(), true);
    Q_UNUSED(done)
}

QString styleSheet()
{
    QFile file(QStringLiteral(":/style.qss"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcApp) << "loadFile ERROR";
        return QString();
    }
    QByteArray bytes = file.readAll();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}

bool loadEnglish(QTranslator &translator)
{
    return translator.load(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                           + LanguageSettings::translationFileName())
        || translator.load(QStringLiteral(":/i18n/velmo_en_US.qm"));
}

QStringList applyApplicationFont(const QString &fontFile)
{
    const int id = QFontDatabase::addApplicationFont(fontFile);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    QFont font = QApplication::font();
    if (!families.isEmpty()) {
        font.setFamily(families.first());
        // A family list left by an earlier call would be tried first.
        font.setFamilies({families.first()});
        font.setPixelSize(16);
    } else {
        font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC"),
                          QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei"),
                          font.family()});
    }
    QApplication::setFont(font);
    return families;
}

QStringList applyProgramLook()
{
    const QStringList families =
        applyApplicationFont(QCoreApplication::applicationDirPath() + QStringLiteral("/font.ttf"));
    qApp->setStyleSheet(styleSheet());
    return families;
}

} // namespace AppResources

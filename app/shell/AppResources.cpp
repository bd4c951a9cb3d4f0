#include "AppResources.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
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
        qDebug() << "loadFile ERROR";
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
    return translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/velmo_en_US.qm"))
        || translator.load(QStringLiteral(":/i18n/velmo_en_US.qm"));
}

} // namespace AppResources

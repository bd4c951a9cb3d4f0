#include "AppResources.h"

#include <QDebug>
#include <QFile>

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

} // namespace AppResources

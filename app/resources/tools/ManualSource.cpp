#include "ManualSource.h"

#include <QFile>
#include <QStringList>

namespace {

const QString kFence = QStringLiteral("---");

} // namespace

bool ManualSource::parse(const QString &text, QString *error)
{
    m_fields.clear();
    m_body.clear();
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first().trimmed() != kFence) {
        m_body = normalised;
        return true;
    }
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i);
        if (line.trimmed() == kFence) {
            m_body = lines.mid(i + 1).join(QLatin1Char('\n'));
            return true;
        }
        if (line.trimmed().isEmpty())
            continue;
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0) {
            if (error != nullptr)
                *error = QStringLiteral("line %1: expected \"key: value\" in the front block").arg(i + 1);
            return false;
        }
        m_fields.insert(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    if (error != nullptr)
        *error = QStringLiteral("the front block opened on line 1 is never closed with ---");
    m_fields.clear();
    return false;
}

bool ManualSource::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error != nullptr)
            *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QString reason;
    if (!parse(QString::fromUtf8(file.readAll()), &reason)) {
        if (error != nullptr)
            *error = path + QStringLiteral(": ") + reason;
        return false;
    }
    return true;
}

QString ManualSource::field(const QString &key) const
{
    QString value = m_fields.value(key);
    value.replace(QStringLiteral("{version}"), m_version);
    return value;
}

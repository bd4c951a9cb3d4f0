#pragma once
// What the controller may hold for each stored value, as far as the host
// can know it. An acknowledged write or a successful read settles a value;
// a write whose reply was lost may or may not have reached the controller,
// so until something settles it both the old and the new value are possible.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class HeldValues
{
public:
    // The write's result: 0 acknowledged, -1 not sent, anything else unknown.
    void written(const QString &key, const QByteArray &value, int result)
    {
        if (result == 0) {
            m_possible[key] = {value};
        } else if (result != -1 && m_possible.contains(key)) {
            QList<QByteArray> &possible = m_possible[key];
            if (!possible.contains(value))
                possible.append(value);
        }
    }

    // Forgets a value; the next read settles it, whatever it is.
    void forget(const QString &key) { m_possible.remove(key); }

    // A successful read: true when the value is one the controller may hold,
    // which then becomes the only one. An unknown key takes any value.
    bool read(const QString &key, const QByteArray &value)
    {
        auto it = m_possible.find(key);
        if (it != m_possible.end() && !it->contains(value))
            return false;
        m_possible[key] = {value};
        return true;
    }

    QList<QByteArray> possible(const QString &key) const { return m_possible.value(key); }

private:
    QHash<QString, QList<QByteArray>> m_possible;
};

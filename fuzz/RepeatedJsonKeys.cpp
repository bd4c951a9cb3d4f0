#include "RepeatedJsonKeys.h"

#include <QSet>
#include <QString>

#include <cctype>
#include <optional>
#include <vector>

bool RepeatedJsonKeys::mayOccur(const QByteArray &text)
{
    // One entry per open bracket: the keys seen so far in an object, nothing
    // for an array. The brackets need not match; the parser rejects such text
    // anyway, and a scan that keeps going only finds more.
    std::vector<std::optional<QSet<QString>>> scopes;
    const char *bytes = text.constData();
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == '{') {
            scopes.emplace_back(QSet<QString>());
        } else if (c == '[') {
            scopes.emplace_back(std::nullopt);
        } else if (c == '}' || c == ']') {
            if (!scopes.empty())
                scopes.pop_back();
        } else if (c == '"') {
            const int start = ++i;
            bool escaped = false;
            while (i < size && bytes[i] != '"') {
                if (bytes[i] == '\\') {
                    escaped = true;
                    ++i;
                }
                ++i;
            }
            const QString token = QString::fromUtf8(bytes + start, qMin(i, size) - start);
            int next = i + 1;
            while (next < size && std::isspace(uchar(bytes[next])))
                ++next;
            const bool isKey = next < size && bytes[next] == ':';
            if (!isKey || scopes.empty() || !scopes.back())
                continue;
            if (escaped || scopes.back()->contains(token))
                return true;
            scopes.back()->insert(token);
        }
    }
    return false;
}

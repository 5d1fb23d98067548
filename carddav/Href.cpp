#include "carddav/Href.h"

#include <cctype>

namespace carddav {
namespace {

int effectivePort(const QUrl& url) {
    return url.port(url.scheme().toLower() == QLatin1String("https") ? 443 : 80);
}

bool sameServer(const QUrl& left, const QUrl& right) {
    return left.scheme().toLower() == right.scheme().toLower() &&
           left.host().toLower() == right.host().toLower() && effectivePort(left) == effectivePort(right);
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

QByteArray keyOfEncodedPath(const QByteArray& path) {
    QByteArray key;
    key.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != '%' || i + 2 >= path.size() || !isHexDigit(path[i + 1]) || !isHexDigit(path[i + 2])) {
            key += path[i];
            continue;
        }
        const QByteArray encoded = path.mid(i + 1, 2).toUpper();
        const char byte = QByteArray::fromHex(encoded).front();
        if (byte == '/' || byte == '?' || byte == '#' || byte == '%') {
            key += '%' + encoded;
        } else {
            key += byte;
        }
        i += 2;
    }
    return key;
}

} // namespace

QUrl resolveHref(const QUrl& base, const QString& href) {
    return base.resolved(QUrl(href.trimmed()));
}

std::optional<std::string> cardHref(const QUrl& base, const QString& href) {
    const QString trimmed = href.trimmed();
    const QUrl resolved = resolveHref(base, trimmed);
    if (!resolved.isValid() || !sameServer(resolved, base)) {
        return std::nullopt;
    }
    if (trimmed.startsWith(QLatin1Char('/')) && !trimmed.startsWith(QLatin1String("//"))) {
        return trimmed.toStdString();
    }
    return resolved.path(QUrl::FullyEncoded).toStdString();
}

QByteArray hrefKey(const QUrl& url) {
    return keyOfEncodedPath(url.path(QUrl::FullyEncoded).toUtf8());
}

QByteArray hrefKey(const std::string& absolutePath) {
    return keyOfEncodedPath(QUrl(QString::fromStdString(absolutePath)).path(QUrl::FullyEncoded).toUtf8());
}

QUrl asCollection(const QUrl& url) {
    QUrl collection = url;
    if (!collection.path().endsWith(QLatin1Char('/'))) {
        collection.setPath(collection.path() + QLatin1Char('/'));
    }
    return collection;
}

} // namespace carddav

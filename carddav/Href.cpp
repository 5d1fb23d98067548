#include "carddav/Href.h"

namespace carddav {
namespace {

int effectivePort(const QUrl& url) {
    return url.port(url.scheme().toLower() == QLatin1String("https") ? 443 : 80);
}

bool sameServer(const QUrl& left, const QUrl& right) {
    return left.scheme().toLower() == right.scheme().toLower() &&
           left.host().toLower() == right.host().toLower() && effectivePort(left) == effectivePort(right);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QByteArray keyOfEncodedPath(const QByteArray& path) {
    QByteArray key;
    key.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const int high = path[i] == '%' && i + 2 < path.size() ? hexValue(path[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(path[i + 2]) : -1;
        if (low < 0) {
            key += path[i];
            continue;
        }
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '/' || byte == '?' || byte == '#' || byte == '%') {
            key += '%';
            key += path.mid(i + 1, 2).toUpper();
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

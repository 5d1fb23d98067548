#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <string>

// Hrefs as servers write them: an absolute path, a path relative to the request, or a whole URL, with
// percent-encoding as each server likes it. Two hrefs name the same card when their keys are equal.
namespace carddav {

// The URL an href names, resolved against the URL the answer came from.
QUrl resolveHref(const QUrl& base, const QString& href);

// The path to hand to the sync: the href itself when it is an absolute path, else the resolved URL's
// path; nothing when it names another server than base.
std::optional<std::string> cardHref(const QUrl& base, const QString& href);

// The path with every percent-encoded byte decoded except those that would change its structure
// ('/', '?', '#', '%'), which keep an upper-case encoding.
QByteArray hrefKey(const QUrl& url);
QByteArray hrefKey(const std::string& absolutePath);

// The collection's URL ending in '/', so that relative hrefs resolve into it.
QUrl asCollection(const QUrl& url);

} // namespace carddav

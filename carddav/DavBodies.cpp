#include "carddav/DavBodies.h"

namespace carddav::bodies {
namespace {

constexpr char Head[] = R"(<?xml version="1.0" encoding="utf-8"?>)"
                        "\n";

QByteArray propfind(const char* properties) {
    return QByteArray(Head) +
           R"(<d:propfind xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav"><d:prop>)" + properties +
           "</d:prop></d:propfind>";
}

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

QByteArray discovery() {
    return propfind("<d:resourcetype/><d:displayname/><d:current-user-principal/><c:addressbook-home-set/>");
}

QByteArray collectionCheck() {
    return propfind("<d:resourcetype/><d:supported-report-set/>");
}

QByteArray etagListing() {
    return propfind("<d:resourcetype/><d:getcontenttype/><d:getetag/>");
}

QByteArray syncCollection(const QString& syncToken) {
    return QByteArray(Head) + R"(<d:sync-collection xmlns:d="DAV:"><d:sync-token>)" + escaped(syncToken) +
           "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/><d:getcontenttype/></d:prop>"
           "</d:sync-collection>";
}

QByteArray multiget(const std::vector<std::string>& hrefs, std::size_t first, std::size_t count) {
    QByteArray body = QByteArray(Head) +
                      R"(<c:addressbook-multiget xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">)"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (std::size_t i = first; i < first + count && i < hrefs.size(); ++i) {
        body += "<d:href>" + escaped(QString::fromStdString(hrefs[i])) + "</d:href>";
    }
    return body + "</c:addressbook-multiget>";
}

} // namespace carddav::bodies

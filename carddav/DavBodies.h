#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The XML bodies of the requests this client sends (RFC 4918, RFC 6352, RFC 6578).
namespace carddav::bodies {

// What discovery asks of every resource on its way: what it is, its name, its user's principal and
// where that principal keeps address books.
QByteArray discovery();
// Whether a collection is an address book and offers sync-collection.
QByteArray collectionCheck();
// The members' ETags, for a server without sync-collection.
QByteArray etagListing();
QByteArray syncCollection(const QString& syncToken);
QByteArray multiget(const std::vector<std::string>& hrefs, std::size_t first, std::size_t count);

} // namespace carddav::bodies

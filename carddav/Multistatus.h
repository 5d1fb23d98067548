#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <functional>
#include <vector>

// A WebDAV multistatus answer (RFC 4918), read as it arrives: each <response> is handed on as soon as it
// is complete, so a listing of 10,000 cards never sits in memory as a document.
namespace carddav {

// One <response>, with the properties its successful propstats carried.
struct DavResource {
    QString href;   // as the server wrote it
    int status = 0; // the response's own status (a removed member in a sync-collection), else 0
    QString etag;   // getetag
    QString contentType;
    QString displayName;
    QByteArray addressData; // the card (UTF-8)
    bool isCollection = false;
    bool isAddressBook = false;
    bool offersSyncCollection = false; // in its supported-report-set
    QStringList principalHrefs;        // current-user-principal
    QStringList homeSetHrefs;          // addressbook-home-set
};

class MultistatusReader {
public:
    using OnResource = std::function<void(DavResource&&)>;
    explicit MultistatusReader(OnResource onResource);

    void feed(const QByteArray& chunk);
    // After the last chunk: empty when the body was one whole multistatus, else what is wrong with it.
    QString finish();

    QString syncToken() const { return syncToken_; } // the multistatus's own, after a sync-collection

private:
    enum class Element {
        Other,
        Multistatus,
        Response,
        Href,
        Status,
        Propstat,
        Prop,
        GetEtag,
        GetContentType,
        DisplayName,
        ResourceType,
        Collection,
        AddressBook,
        CurrentUserPrincipal,
        AddressBookHomeSet,
        SupportedReportSet,
        SyncCollection,
        AddressData,
        SyncToken,
    };
    static Element elementOf(QStringView namespaceUri, QStringView name);
    static bool holdsText(Element element);
    void readAvailable();
    void start(Element element);
    void end(Element element);
    Element parent() const { return open_.size() >= 2 ? open_[open_.size() - 2] : Element::Other; }
    bool inside(Element element) const;

    OnResource onResource_;
    QXmlStreamReader xml_;
    std::vector<Element> open_;
    QString text_;
    bool complete_ = false;
    QString error_;
    QString syncToken_;
    DavResource resource_;
    DavResource propstat_; // the properties of the propstat being read, kept when its status is 2xx
    int propstatStatus_ = 0;
};

} // namespace carddav

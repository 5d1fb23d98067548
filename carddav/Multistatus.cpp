#include "carddav/Multistatus.h"

#include <algorithm>
#include <array>
#include <utility>

namespace carddav {
namespace {

constexpr QStringView Dav = u"DAV:";
constexpr QStringView CardDav = u"urn:ietf:params:xml:ns:carddav";

// A card with a large photo is a few megabytes; a value beyond this is a server gone wrong.
constexpr qsizetype MaxText = 64 * 1024 * 1024;

// "HTTP/1.1 404 Not Found" -> 404; 0 when it is not a status line.
int statusCode(const QString& line) {
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    bool ok = false;
    const int code = parts.size() >= 2 ? parts[1].toInt(&ok) : 0;
    return ok ? code : 0;
}

bool isSuccess(int status) {
    return status >= 200 && status < 300;
}

void takeProperties(DavResource& into, DavResource&& from) {
    const auto takeText = [](auto& target, auto& source) {
        if (!source.isEmpty()) {
            target = std::move(source);
        }
    };
    takeText(into.etag, from.etag);
    takeText(into.contentType, from.contentType);
    takeText(into.displayName, from.displayName);
    takeText(into.addressData, from.addressData);
    into.isCollection = into.isCollection || from.isCollection;
    into.isAddressBook = into.isAddressBook || from.isAddressBook;
    into.offersSyncCollection = into.offersSyncCollection || from.offersSyncCollection;
    into.principalHrefs += from.principalHrefs;
    into.homeSetHrefs += from.homeSetHrefs;
}

} // namespace

MultistatusReader::MultistatusReader(OnResource onResource) : onResource_(std::move(onResource)) {}

void MultistatusReader::feed(const QByteArray& chunk) {
    if (error_.isEmpty() && !complete_) {
        xml_.addData(chunk);
        readAvailable();
    }
}

QString MultistatusReader::finish() {
    if (error_.isEmpty() && !complete_) {
        error_ = xml_.hasError() && xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError
                     ? xml_.errorString()
                     : QStringLiteral("the answer ended before its end");
    }
    return error_;
}

MultistatusReader::Element MultistatusReader::elementOf(QStringView namespaceUri, QStringView name) {
    struct Known {
        QStringView namespaceUri;
        QStringView name;
        Element element;
    };
    static constexpr std::array known{
        Known{Dav, u"multistatus", Element::Multistatus},
        Known{Dav, u"response", Element::Response},
        Known{Dav, u"href", Element::Href},
        Known{Dav, u"status", Element::Status},
        Known{Dav, u"propstat", Element::Propstat},
        Known{Dav, u"prop", Element::Prop},
        Known{Dav, u"getetag", Element::GetEtag},
        Known{Dav, u"getcontenttype", Element::GetContentType},
        Known{Dav, u"displayname", Element::DisplayName},
        Known{Dav, u"resourcetype", Element::ResourceType},
        Known{Dav, u"collection", Element::Collection},
        Known{CardDav, u"addressbook", Element::AddressBook},
        Known{Dav, u"current-user-principal", Element::CurrentUserPrincipal},
        Known{CardDav, u"addressbook-home-set", Element::AddressBookHomeSet},
        Known{Dav, u"supported-report-set", Element::SupportedReportSet},
        Known{Dav, u"sync-collection", Element::SyncCollection},
        Known{CardDav, u"address-data", Element::AddressData},
        Known{Dav, u"sync-token", Element::SyncToken},
    };
    for (const Known& candidate : known) {
        if (candidate.name == name && candidate.namespaceUri == namespaceUri) {
            return candidate.element;
        }
    }
    return Element::Other;
}

bool MultistatusReader::holdsText(Element element) {
    switch (element) {
    case Element::Href:
    case Element::Status:
    case Element::GetEtag:
    case Element::GetContentType:
    case Element::DisplayName:
    case Element::AddressData:
    case Element::SyncToken:
        return true;
    default:
        return false;
    }
}

bool MultistatusReader::inside(Element element) const {
    return std::find(open_.begin(), open_.end(), element) != open_.end();
}

void MultistatusReader::readAvailable() {
    while (!xml_.atEnd() && error_.isEmpty()) {
        switch (xml_.readNext()) {
        case QXmlStreamReader::StartElement:
            open_.push_back(elementOf(xml_.namespaceUri(), xml_.name()));
            if (open_.size() == 1 && open_.front() != Element::Multistatus) {
                error_ = QStringLiteral("the answer is not a WebDAV multistatus");
            }
            start(open_.back());
            break;
        case QXmlStreamReader::Characters:
            if (!open_.empty() && holdsText(open_.back())) {
                text_ += xml_.text();
                if (text_.size() > MaxText) {
                    error_ = QStringLiteral("the answer holds a value of more than 64 MiB");
                }
            }
            break;
        case QXmlStreamReader::EndElement:
            end(open_.back());
            open_.pop_back();
            break;
        default:
            break;
        }
    }
    if (xml_.hasError() && xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError &&
        error_.isEmpty()) {
        error_ = xml_.errorString();
    }
}

void MultistatusReader::start(Element element) {
    text_.clear();
    if (element == Element::Response) {
        resource_ = {};
    } else if (element == Element::Propstat) {
        propstat_ = {};
        propstatStatus_ = 0;
    }
}

void MultistatusReader::end(Element element) {
    const Element within = parent();
    switch (element) {
    case Element::Multistatus:
        complete_ = true;
        break;
    case Element::Response:
        onResource_(std::move(resource_));
        resource_ = {};
        break;
    case Element::Propstat:
        if (isSuccess(propstatStatus_)) {
            takeProperties(resource_, std::move(propstat_));
        }
        break;
    case Element::Href:
        if (within == Element::Response) {
            resource_.href = text_.trimmed();
        } else if (within == Element::CurrentUserPrincipal) {
            propstat_.principalHrefs += text_.trimmed();
        } else if (within == Element::AddressBookHomeSet) {
            propstat_.homeSetHrefs += text_.trimmed();
        }
        break;
    case Element::Status:
        if (within == Element::Response) {
            resource_.status = statusCode(text_);
        } else if (within == Element::Propstat) {
            propstatStatus_ = statusCode(text_);
        }
        break;
    case Element::SyncToken:
        if (within == Element::Multistatus) {
            syncToken_ = text_.trimmed();
        }
        break;
    case Element::GetEtag:
        if (within == Element::Prop) {
            propstat_.etag = text_.trimmed();
        }
        break;
    case Element::GetContentType:
        if (within == Element::Prop) {
            propstat_.contentType = text_.trimmed();
        }
        break;
    case Element::DisplayName:
        if (within == Element::Prop) {
            propstat_.displayName = text_.trimmed();
        }
        break;
    case Element::AddressData:
        if (within == Element::Prop) {
            propstat_.addressData = text_.toUtf8();
        }
        break;
    case Element::Collection:
        propstat_.isCollection = propstat_.isCollection || within == Element::ResourceType;
        break;
    case Element::AddressBook:
        propstat_.isAddressBook = propstat_.isAddressBook || within == Element::ResourceType;
        break;
    case Element::SyncCollection:
        propstat_.offersSyncCollection =
            propstat_.offersSyncCollection || inside(Element::SupportedReportSet);
        break;
    default:
        break;
    }
    text_.clear();
}

} // namespace carddav

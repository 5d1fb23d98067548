#include "Contacts.h"

#include "StorableText.h"
#include "Telephones.h"
#include "Text.h"

#include <algorithm>

namespace exchange {

namespace {

// The summary names only the first few reasons, so that it stays one short line.
constexpr std::size_t ReasonsShown = 3;

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

std::string_view withoutMailto(std::string_view email) {
    return withoutPrefix(email, "mailto:");
}

bool isBlank(const ContactView& contact) {
    return std::ranges::all_of(contact, [](std::string_view field) { return field.empty(); });
}

std::string summaryText(const ReadResult& result) {
    if (!result.fault.empty()) {
        return "No contacts added: " + result.fault;
    }
    if (result.contacts.empty() && result.skipped.empty()) {
        return "No contacts found";
    }
    std::string text = result.contacts.empty()
                           ? std::string("No contacts added")
                           : counted(result.contacts.size(), "contact added", "contacts added");
    if (result.changedCount > 0) {
        text += ", " + std::to_string(result.changedCount) + " changed to fit the address list";
    }
    if (!result.skipped.empty()) {
        text += ", " + std::to_string(result.skipped.size()) + " skipped: ";
        const std::size_t shown = std::min(result.skipped.size(), ReasonsShown);
        for (std::size_t i = 0; i < shown; ++i) {
            text += (i == 0 ? "" : "; ") + result.skipped[i];
        }
        if (result.skipped.size() > shown) {
            text += "; and " + std::to_string(result.skipped.size() - shown) + " more";
        }
    }
    return text;
}

void ContactCollector::add(const ContactText& text, std::string_view place) {
    ContactFields fields;
    bool changed = false;
    for (std::size_t column = 0; column < fields.size(); ++column) {
        StorableText storable = storableText(text[column]);
        fields[column] = std::move(storable.bytes);
        changed = changed || storable.changed;
    }
    // After the fit: what it drops or replaces could hide a prefix from an earlier look.
    fields[column::Telephone] = tidyTelephones(fields[column::Telephone]);
    fields[column::Email] = withoutMailto(fields[column::Email]);
    if (std::ranges::all_of(fields, [](const std::string& field) { return field.empty(); })) {
        skip(std::string(place) + " has nothing the address list can hold");
        return;
    }
    result_.contacts.push_back(std::move(fields));
    if (changed) {
        ++result_.changedCount;
    }
}

void ContactCollector::skip(std::string reason) {
    result_.skipped.push_back(std::move(reason));
}

void ContactCollector::fail(std::string fault) {
    result_.contacts.clear();
    result_.changedCount = 0;
    result_.skipped.clear();
    result_.fault = std::move(fault);
}

} // namespace exchange

// Changes written into cards as the server has them, in golden files: each case names a card, the fields
// wanted, the card expected, and what that card reads as (the fields wanted, where not given).
#include "SyncTesting.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::filesystem::path Golden = NUMBERWELL_SYNC_GOLDEN_DIR;

struct PatchCase {
    const char* name; // also the expected card's file, NAME.vcf
    const char* card;
    const char* wanted;
    const char* readsAs = nullptr;
};

class CardPatchTest : public testing::TestWithParam<PatchCase> {};

TEST_P(CardPatchTest, RewritesOnlyWhatChanged) {
    const PatchCase& c = GetParam();
    const std::string patched =
        cardsync::patchedCard(testsupport::readBytes(Golden / c.card), synctest::record(c.wanted));
    const std::filesystem::path expected = Golden / (std::string(c.name) + ".vcf");
    if (!std::filesystem::exists(expected)) {
        testsupport::writeBytes(expected, patched);
        FAIL() << "written " << expected;
    }
    EXPECT_EQ(patched, testsupport::readBytes(expected));
    EXPECT_EQ(synctest::line(cardsync::readCard(patched).record.value()), c.readsAs ? c.readsAs : c.wanted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardPatchTest,
    testing::Values(
        PatchCase{"email-changed", "phone.vcf",
                  "Müller|Anna|||+49 170 1234567 / +49 30 7654321|anna@example.com|"},
        PatchCase{"number-changed-keeps-its-type", "phone.vcf",
                  "Müller|Anna|||+49 170 1234567 / +49 30 999|anna@example.org|"},
        PatchCase{"number-removed-and-added", "phone.vcf",
                  "Müller|Anna|||+49 30 7654321 / 110|anna@example.org|"},
        PatchCase{"first-name-changed", "phone.vcf",
                  "Müller|Anne|||+49 170 1234567 / +49 30 7654321|anna@example.org|"},
        PatchCase{"cyrillic-name-stays", "cyrillic.vcf", "??????|????|||+7 495 7654321||"},
        PatchCase{"family-name-changed-given-name-stays", "cyrillic.vcf", "Ivanov|????|||+7 495 1234567||"},
        PatchCase{"name-read-from-fn-gets-n", "fullname.vcf",
                  "Miller-Smith|Ann||Hauptstr. 5, 10115 Berlin, Germany||a@x.example|first; second"},
        PatchCase{"address-rewritten-where-read", "fullname.vcf",
                  "Miller|Ann||Am Markt 1, 04109 Leipzig||a@x.example|first; second"},
        PatchCase{"emptied-email-shows-the-next", "fullname.vcf",
                  "Miller|Ann||Hauptstr. 5, 10115 Berlin, Germany|||first; second",
                  "Miller|Ann||Hauptstr. 5, 10115 Berlin, Germany||b@x.example|first; second"},
        PatchCase{"notes-become-one", "fullname.vcf",
                  "Miller|Ann||Hauptstr. 5, 10115 Berlin, Germany||a@x.example|first; second; third"},
        PatchCase{"long-note-folded-between-characters", "cyrillic.vcf",
                  "??????|????|||+7 495 1234567||Grüße aus Köln, schöne Grüße an Jürgen, Gößweinstein und "
                  "Übersee!"}),
    [](const testing::TestParamInfo<PatchCase>& info) {
        std::string name = info.param.name;
        std::erase(name, '-');
        return name;
    });

TEST(NewCard, IsVersion3WithUidNAndFn) {
    const std::string card = cardsync::newCard(
        synctest::record("Müller|Ann|Annie|Hauptstr. 5, Berlin|1 / 2|a@x.example|n; o"), "u-1");
    EXPECT_EQ(card,
              "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u-1\r\nN:M\xC3\xBCller;Ann;;;\r\nFN:Ann M\xC3\xBCller\r\n"
              "NICKNAME:Annie\r\nADR:;;Hauptstr. 5\\, Berlin;;;;\r\nTEL:1\r\nTEL:2\r\nEMAIL:a@x.example\r\n"
              "NOTE:n\\; o\r\nEND:VCARD\r\n");
    EXPECT_EQ(cardsync::newCard(synctest::record("|||||x@y.example|"), "u-2"),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u-2\r\nN:;;;;\r\nFN:x@y.example\r\nEMAIL:x@y.example\r\nEND:"
              "VCARD\r\n");
}

} // namespace

#include "AccountDialog.h"

#include "AccessibleText.h"
#include "DialogFrame.h"
#include "OuterGeometry.h"
#include "ui_AccountDialog.h"

#include <QPushButton>

namespace {

constexpr int FontPixels = 10;

} // namespace

AccountDialog::AccountDialog(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::AccountDialog>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui::setFontPixels(*this, FontPixels);
    // The notes differ in length: the dialog takes the height they need, at the width it was designed with.
    ui_->url->setMinimumWidth(width() - ui_->urlLabel->sizeHint().width() - 40);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    ui::centreOnScreenAtEveryShowing(*this);
    ui::nameControls(*this);
    connect(ui_->url, &QLineEdit::textChanged, this,
            [this](const QString& text) { ui_->Button1->setEnabled(!text.trimmed().isEmpty()); });
}

AccountDialog::~AccountDialog() = default;

void AccountDialog::showAccount(const carddav::Account& account, bool editable) {
    ui_->url->setText(account.serverUrl.toDisplayString());
    ui_->user->setText(account.user);
    ui_->url->setReadOnly(!editable);
    ui_->user->setReadOnly(!editable);
    ui_->password->clear();
    ui_->addressBook->clear();
    books_.clear();
    if (!account.addressBookUrl.isEmpty()) {
        ui_->addressBook->addItem(account.addressBookUrl.toDisplayString());
    }
    ui_->addressBook->setEnabled(false);
}

void AccountDialog::setUpAccount(const carddav::Account& account) {
    showAccount(account, true);
    ui_->password->setEnabled(true);
    ui_->password->setPlaceholderText(QStringLiteral("from the desktop's secret service"));
    ui_->note->setText(
        QStringLiteral("Enter the server's address as its provider gives it; the address book is "
                       "found on the server."));
    (account.serverUrl.isEmpty() ? ui_->url : ui_->password)->setFocus();
    fitContents();
}

void AccountDialog::askPassword(const carddav::Account& account, const QString& why) {
    showAccount(account, false);
    ui_->password->setEnabled(true);
    ui_->password->setPlaceholderText({});
    ui_->note->setText(why);
    ui_->password->setFocus();
    fitContents();
}

void AccountDialog::chooseAddressBook(const carddav::Account& account,
                                      const QList<carddav::AddressBook>& books) {
    showAccount(account, false);
    ui_->password->setEnabled(false);
    ui_->password->setPlaceholderText({});
    ui_->addressBook->clear();
    books_ = books;
    for (const carddav::AddressBook& book : books) {
        ui_->addressBook->addItem(book.displayName.isEmpty()
                                      ? book.url.toDisplayString()
                                      : QStringLiteral("%1 (%2)").arg(book.displayName, book.url.path()));
    }
    ui_->addressBook->setEnabled(true);
    ui_->note->setText(
        QStringLiteral("The server has %1 address books: choose the one to keep in step with the "
                       "list.")
            .arg(books.size()));
    ui_->addressBook->setFocus();
    fitContents();
}

void AccountDialog::fitContents() {
    ui_->Button1->setEnabled(!ui_->url->text().trimmed().isEmpty());
    adjustSize();
}

QString AccountDialog::serverAddress() const {
    return ui_->url->text();
}

QString AccountDialog::user() const {
    return ui_->user->text().trimmed();
}

QString AccountDialog::password() const {
    return ui_->password->text();
}

std::optional<carddav::AddressBook> AccountDialog::chosenAddressBook() const {
    const int index = ui_->addressBook->currentIndex();
    if (index < 0 || index >= books_.size()) {
        return std::nullopt;
    }
    return books_.at(index);
}

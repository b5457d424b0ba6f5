#include "sources/QVAddressBookHost.h"

namespace {

QVAddressBookHostProvider &provider()
{
    static QVAddressBookHostProvider shared;
    return shared;
}

} // namespace

void setAddressBookHostProvider(QVAddressBookHostProvider newProvider) { provider() = std::move(newProvider); }

std::shared_ptr<QVAddressBookHost> addressBookHost() { return provider() ? provider()() : nullptr; }

#pragma once

#include <QString>
#include <vector>

namespace sievra {

// One address a contact source gave, with the name the source shows beside it.
struct Contact {
    QString Address;
    QString DisplayName;
};

using ContactList = std::vector<Contact>;

} // namespace sievra

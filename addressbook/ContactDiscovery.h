#pragma once

#include <QString>
#include <vector>

namespace sievra {

// Where the user's programs keep their contacts: the home folder (for Thunderbird) and the
// XDG data folder (for Evolution and KDE).
struct ContactPlaces {
    QString Home;
    QString DataHome;
};

struct FoundSource {
    QString Path;
    QString Label;
};

// The contact sources on this machine, in the order the wizard offers them: the default
// Thunderbird profile's books and its collected addresses, Evolution's local books, KDE's
// contacts folder. Only sources that exist are listed; none is read.
std::vector<FoundSource> DiscoverContactSources(const ContactPlaces& places);

} // namespace sievra

#pragma once

#include "Contact.h"

#include <QByteArrayView>

namespace sievra {

// What one vCard text held: one contact per EMAIL of every well-formed card, in file order.
struct VCardBatch {
    ContactList Contacts;
    int Cards = 0;    // cards read, damaged ones included
    int BadCards = 0; // cards skipped: not closed by END:VCARD, or with a line that is no
                      // property
};

// Reads vCards of versions 2.1, 3.0 and 4.0: many cards per text, folded lines, CR LF or LF,
// UTF-8 with or without a byte order mark, EMAIL with any parameters or a group prefix, and
// quoted-printable and CHARSET values of 2.1. The display name is FN, else the given and
// family names of N. A damaged card is counted and skipped; the rest of the text still counts.
VCardBatch ReadVCards(QByteArrayView text);

// True when the text, after a byte order mark and blank lines, begins with BEGIN:VCARD.
bool LooksLikeVCard(QByteArrayView head);

} // namespace sievra

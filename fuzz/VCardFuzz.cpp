// Arbitrary vCard text: the reader must end cleanly, count no more damaged cards than cards,
// and give only contacts with an address from cards that were read.
#include "addressbook/VCardReader.h"

#include <cstdint>
#include <cstdlib>

using namespace sievra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const VCardBatch batch = ReadVCards(text);
    if (batch.BadCards < 0 || batch.BadCards > batch.Cards) {
        std::abort();
    }
    if (batch.Contacts.size() > 0 && batch.Cards == batch.BadCards) {
        std::abort();
    }
    for (const Contact& c : batch.Contacts) {
        if (c.Address.isEmpty()) {
            std::abort();
        }
    }
    LooksLikeVCard(text);
    return 0;
}

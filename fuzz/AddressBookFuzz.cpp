// Arbitrary file bytes: the reader must end cleanly, never read outside the file, and give the
// same records whether it reads a file (positioned reads) or an in-memory device.
#include "addressbook/AddressBookFile.h"

#include <QBuffer>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

using namespace sievra;

namespace {

struct Outcome {
    BookReadResult Result;
    QList<ContactRecord> Records;
};

Outcome ReadDevice(QIODevice& device) {
    Outcome outcome{BookReadResult::Complete, {}};
    outcome.Result = ReadAddressBookRecords(device, [&outcome](const ContactRecord& r) {
        // A field is at most 255 bytes, so at most 127 code units, and holds no NUL.
        if (r.Address.size() > 127 || r.DisplayName.size() > 127 || r.Address.contains(QChar(0)) ||
            r.DisplayName.contains(QChar(0))) {
            std::abort();
        }
        outcome.Records.append(r);
    });
    return outcome;
}

bool SameRecords(const QList<ContactRecord>& a, const QList<ContactRecord>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].Address != b[i].Address || a[i].DisplayName != b[i].DisplayName) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const Outcome inMemory = ReadDevice(buffer);

    // The same bytes as a real file without touching the disk.
    const int fd = memfd_create("book", 0);
    if (fd < 0) {
        return 0;
    }
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
    const Outcome fromFile = ReadDevice(file);
    file.close();

    if (inMemory.Result != fromFile.Result || !SameRecords(inMemory.Records, fromFile.Records)) {
        std::abort();
    }
    if (size < 104 && inMemory.Result != BookReadResult::TooShort) {
        std::abort();
    }
    return 0;
}

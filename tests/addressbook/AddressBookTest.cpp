#include "addressbook/AddressBook.h"

#include "addressbook/StatusOutput.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace sievra;
using test::AddressBookBytes;

namespace {

struct StatusLine {
    QString Text;
    bool LabelOnly;
    bool ShowBar;
    bool operator==(const StatusLine&) const = default;
};

class CapturedStatus : public StatusOutput {
public:
    void WriteStatus(const QString& text, bool labelOnly, bool showBar) override {
        Lines.append({text, labelOnly, showBar});
    }
    QList<StatusLine> Lines;
};

// Descriptors of this process that refer to path (Linux lists them under /proc/self/fd).
int OpenHandlesTo(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System)) {
        count += fd.symLinkTarget() == target ? 1 : 0;
    }
    return count;
}

class LoadBook : public testing::Test {
protected:
    bool Load(const QByteArray& bytes) {
        path = home.WriteFile(QStringLiteral("contacts.wab"), bytes);
        return LoadAddressBook(path, status, book);
    }
    test::TestHome home;
    QString path;
    CapturedStatus status;
    AddressBook book{"left over from the last pass"};
};

TEST_F(LoadBook, KeepsValidAddressesInFileOrderWithDuplicatesAndCapitals) {
    AddressBookBytes bytes;
    for (const char* address :
         {"Anna.Berg@Example.ORG", "no-at-sign.example.org", "bob@example.org",
          "anna.berg@example.org", "bob@example.org", "@example.org"}) {
        bytes.Add(AddressBookBytes::Record(address, "Someone"));
    }
    EXPECT_TRUE(Load(bytes.Bytes()));
    EXPECT_EQ(book, QStringList({"Anna.Berg@Example.ORG", "bob@example.org",
                                 "anna.berg@example.org", "bob@example.org"}));
    bytes.SetHighest(-1);
    EXPECT_TRUE(Load(bytes.Bytes()));
    EXPECT_TRUE(book.isEmpty());
    EXPECT_TRUE(status.Lines.isEmpty());
}

TEST_F(LoadBook, UnreadableFilesFailSilentlyAndAreClosed) {
    EXPECT_FALSE(Load(QByteArray(99, '\0')));
    EXPECT_TRUE(book.isEmpty()) << "emptied first";

    AddressBookBytes bytes;
    bytes.Add(AddressBookBytes::Record("kept@example.org"));
    bytes.Add(AddressBookBytes::Record("lost@example.org"));
    EXPECT_FALSE(Load(bytes.Bytes().chopped(1)));
    EXPECT_EQ(book, QStringList({"kept@example.org"})) << "read before the failure";
    EXPECT_EQ(OpenHandlesTo(path), 0);
    EXPECT_TRUE(status.Lines.isEmpty());
}

TEST_F(LoadBook, MissingPathAndUnopenableFilesAreLogged) {
    const QString missing = home.Path() + "/gone/contacts.wab";
    EXPECT_FALSE(LoadAddressBook(QString(), status, book));
    EXPECT_FALSE(LoadAddressBook(missing, status, book));
    EXPECT_FALSE(LoadAddressBook(home.Path(), status, book)) << "a folder";
    EXPECT_TRUE(book.isEmpty());
    const QString red = "<font color=\"clRed\"><B>";
    EXPECT_EQ(status.Lines,
              QList<StatusLine>({{red + "No address book specified!</B>", false, false},
                                 {red + "Unable to open " + missing + "!</B>", false, false},
                                 {red + "Unable to open " + home.Path() + "!</B>", false, false}}));
}

TEST_F(LoadBook, OthersMayWriteTheFileWhileItIsRead) {
    AddressBookBytes bytes;
    bytes.Add(AddressBookBytes::Record("one@example.org"));
    path = home.WriteFile(QStringLiteral("shared.wab"), bytes.Bytes());
    // The mail client keeps the book open for writing; we neither need nor take a lock.
    QFile writer(path);
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite));
    EXPECT_TRUE(LoadAddressBook(path, status, book));
    EXPECT_EQ(book, QStringList({"one@example.org"}));
    EXPECT_EQ(OpenHandlesTo(path), 1) << "only the writer's handle is left";
    EXPECT_TRUE(writer.seek(writer.size()));
    EXPECT_EQ(writer.write("appended"), 8);
}

} // namespace

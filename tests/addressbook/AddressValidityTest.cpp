#include "addressbook/AddressValidity.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(IsValidAddress, AcceptsTheShortestForms) {
    for (const char* text : {"a@b.", "a@b.c", "john.doe@mail.example.org", "a@bc.", "a@.b.c",
                             "x y <a@b.c>", "ä@ö.ü"}) {
        EXPECT_TRUE(IsValidAddress(QString::fromUtf8(text))) << text;
    }
}

TEST(IsValidAddress, RejectsWhatBreaksOneOfTheThreeRules) {
    for (const char* text :
         {"", "@", "@b.c", "a@.", "a@.b", "a@b", "a.b@c", "a@b@c.d", "a@b.c@", "ab.c", "a@@b.c"}) {
        EXPECT_FALSE(IsValidAddress(QString::fromUtf8(text))) << text;
    }
}

} // namespace

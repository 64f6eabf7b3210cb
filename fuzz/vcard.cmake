sievra_fuzz_target(fuzz_vcard VCardFuzz.cpp addressbook)

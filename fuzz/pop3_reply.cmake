sievra_fuzz_target(fuzz_pop3_reply Pop3ReplyFuzz.cpp net)

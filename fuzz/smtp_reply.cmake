sievra_fuzz_target(fuzz_smtp_reply SmtpReplyFuzz.cpp net)

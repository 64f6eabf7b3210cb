sievra_fuzz_target(fuzz_smtp_reply SmtpReplyFuzz.cpp net)
target_sources(fuzz_smtp_reply PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ScriptedTransport.cpp)

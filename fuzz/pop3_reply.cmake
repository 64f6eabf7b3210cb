sievra_fuzz_target(fuzz_pop3_reply Pop3ReplyFuzz.cpp net)
target_sources(fuzz_pop3_reply PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ScriptedTransport.cpp)

#pragma once

#include "engine/HeaderValues.h"

#include <QString>

namespace sievra {

// The address a stranger's message, kept because of its code word, may teach: its one From
// address, when the header names exactly one sender, that address passes IsValidAddress and
// is a plain mailbox. Empty when it can teach nothing.
QString LearnableAddress(const MessageFields& fields);

// Why a message that holds a code word still teaches nothing: a program wrote it (the reply
// guards' signs: "automatic message (Auto-Submitted: auto-generated)", ...), or the topmost
// Authentication-Results reports a failure for its From domain ("forged sender
// (dmarc=fail)"). Remembering is for people who answered; neither of those did. Empty when it
// may teach.
QString LearningRefusal(const MessageFields& fields);

// The forged-sender verdict alone ("dmarc=fail", ...), empty when there is none: a learned
// sender is accepted like an allowed one, so a forged From does not count for it either.
QString ForgedSenderOf(const MessageFields& fields);

// "Remembered <address> (code word)".
QString RememberedLine(const QString& address);

} // namespace sievra

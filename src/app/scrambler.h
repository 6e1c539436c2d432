#pragma once
// The stored form of passwords kept in the settings (saved connections, the bulk-copy
// password): a keyed substitution over a 16-character alphabet with a random key and random
// filler per call. It hides a password from casual reading, nothing more. The layout and the
// arithmetic are fixed so that stored forms stay readable between installations.
#include <QString>

class QRandomGenerator;

namespace qv {

// The stored form of text; "" for "". rng defaults to the system's random source.
QString ScrambleText(const QString& text, QRandomGenerator* rng = nullptr);
// The text of a stored form; "" for "" or for text that is not a stored form (a character
// outside the alphabet). Blanks and control
// characters at both ends are not restored.
QString UnscrambleText(const QString& stored);

} // namespace qv

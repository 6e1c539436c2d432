#pragma once
// Helpers shared by the tests.
#include <QString>
#include <QtGlobal>

namespace qvtest {

// The private folder this test process was given by the test main (removed at exit).
inline QString testHome() { return qEnvironmentVariable("QORVEL_TEST_HOME"); }
// The project's source folder, for fixtures checked into tests/fixtures.
inline QString sourceDir() { return QStringLiteral(QORVEL_SOURCE_DIR); }
inline QString fixturesDir() { return sourceDir() + QStringLiteral("/tests/fixtures"); }

} // namespace qvtest

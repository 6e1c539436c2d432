#pragma once

namespace qv {
// Starts the program: application object, process-wide state, main window, event loop.
int runProgram(int argc, char** argv);
}

// The program's one abnormal ending, taken when an exception escapes, which
// happens only when memory runs out.
#pragma once

// Makes every uncaught exception end the process through EndAbnormally.
void InstallAbnormalEnding();

// Writes "abnormal program termination" to the standard-error handle when the
// process has one, and ends the process with exit code 3. Shows nothing: the
// C runtime's own abort may open a dialog in a windowed program.
[[noreturn]] void EndAbnormally();

#pragma once

// Internal consistency checks of the elements report a line on standard output and wait for one
// character on standard input (normally the Enter key) before the run goes on. The text is written
// as given, byte for byte (Chinese texts are GBK bytes).
void reportAndWait(const char* message);

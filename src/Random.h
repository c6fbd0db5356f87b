#pragma once

// Seeds the C runtime generator with GetTickCount() XOR the time in seconds and returns the
// next rand() value (0 to 32767).
int randomNumber();

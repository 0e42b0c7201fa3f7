#include "app/Form1.h"

// The call itself: checking the fields, dialing, and turning the dial-up component's reports into
// what the user sees.

void Form1::Command1_Click() {}

void Form1::mRAS1_Progress(int) {}

void Form1::mRAS1_Done() {}

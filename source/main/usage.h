#pragma once
// The text of "lumivane --help": the switches and the keys.

// True when an argument asks for the help text: "-h", "--help", "-help" (any case) or "-?".
bool IsHelpArgument(const char* argument);
const char* UsageText();

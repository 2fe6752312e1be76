#pragma once
// Fatal start-up errors: a modal error box owned by gWindow (null before the window exists).
// Where no box can be shown (no display) or none is wanted (headless runs), the text goes
// to stderr instead, so the reason for the exit is never lost.
void ShowErrorMessage(const char* text, const char* caption, bool interactive);

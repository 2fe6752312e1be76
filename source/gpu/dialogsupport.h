#pragma once
// The few GL calls the settings dialog makes around Dear ImGui's own renderer, on the
// dialog's current context.

// Sets the viewport to the whole drawable and clears it to the colour (r, g, b, a).
void ClearDialogFrame(int width, int height, const float color[4]);

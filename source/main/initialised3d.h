#pragma once
// Device set-up: creates the device, immediate context and swap chain for gWindow (or
// headless when it is null) at gScreenWidth x gScreenHeight, and every shared render state.
// Logs one line and returns false at the first step that fails.
bool InitialiseD3D(bool antiAlias);

#pragma once
// Shaders built into the player (the overlay, the recording's colour conversion), translated
// like a show's own but from source held in the program.
#include <memory>
#include <string_view>

#include "hlsl/shaderblob.h"

// Translates `entry` of `source` for `profile`; logs "<name> shader '<entry>' does not
// compile: ..." and returns null on failure.
std::shared_ptr<const gpu::ShaderBlob> TranslateBuiltInShader(std::string_view source, const char* name,
                                                              const char* entry, const char* profile);

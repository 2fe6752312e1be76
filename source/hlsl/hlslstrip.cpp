// Removal of effect-framework syntax (techniques, passes, state objects) from HLSL source,
// blanking it with spaces so that every remaining line keeps its number.
#include <cctype>
#include <string>

#include "hlsl/hlslcompiler.h"

namespace gpu {
namespace {

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return i == a.size() && !b[i];
}

// Texture objects of the older effect syntax ("texture", "texture2D", ...); the sampler
// states naming them go with them. "Texture2D" and the like are today's types and stay.
bool IsLegacyTextureType(const std::string& word) {
    if (word == "texture" || word == "Texture") return true;
    if (word.rfind("texture", 0) != 0) return false;
    const std::string rest = word.substr(7);
    return EqualsNoCase(rest, "1D") || EqualsNoCase(rest, "2D") || EqualsNoCase(rest, "3D") || EqualsNoCase(rest, "CUBE");
}

// Samplers of the older syntax keep their declaration; their sampler_state initialiser goes.
bool IsLegacySamplerType(const std::string& word) {
    return word == "sampler" || word == "sampler1D" || word == "sampler2D" || word == "sampler3D" ||
           word == "samplerCUBE" || word == "sampler_state";
}

class Stripper {
public:
    explicit Stripper(std::string source) : s_(std::move(source)) {}

    std::string Run() {
        size_t i = 0;
        int depth = 0;
        bool statementStart = true;
        while (i < s_.size()) {
            size_t skipped = SkipTrivia(i);
            if (skipped != i) {
                i = skipped;
                continue;
            }
            char c = s_[i];
            if (c == '#' && AtLineStart(i)) {
                i = SkipLine(i);
                statementStart = true;
                continue;
            }
            if (c == '"' || c == '\'') {
                i = SkipQuoted(i);
                statementStart = false;
                continue;
            }
            if (IsIdentChar(c)) {
                size_t end = i;
                while (end < s_.size() && IsIdentChar(s_[end])) ++end;
                if (depth == 0 && statementStart && !std::isdigit(static_cast<unsigned char>(c))) {
                    size_t after = TryStrip(i, end);
                    if (after != 0) {
                        i = after;
                        statementStart = true;
                        continue;
                    }
                }
                i = end;
                statementStart = false;
                continue;
            }
            if (c == '{') ++depth;
            if (c == '}' && depth > 0) --depth;
            statementStart = (c == ';' || c == '{' || c == '}');
            ++i;
        }
        return s_;
    }

private:
    bool AtLineStart(size_t i) const {
        while (i > 0) {
            char p = s_[i - 1];
            if (p == '\n') return true;
            if (p != ' ' && p != '\t') return false;
            --i;
        }
        return true;
    }

    size_t SkipLine(size_t i) const {
        // Preprocessor lines continue over backslash-newline.
        while (i < s_.size() && s_[i] != '\n') {
            if (s_[i] == '\\' && i + 1 < s_.size() && s_[i + 1] == '\n') ++i;
            ++i;
        }
        return i;
    }

    size_t SkipQuoted(size_t i) const {
        char quote = s_[i++];
        while (i < s_.size() && s_[i] != quote && s_[i] != '\n') {
            if (s_[i] == '\\') ++i;
            ++i;
        }
        return i < s_.size() ? i + 1 : i;
    }

    // Whitespace and comments starting at i; returns the first position after them.
    size_t SkipTrivia(size_t i) const {
        while (i < s_.size()) {
            if (std::isspace(static_cast<unsigned char>(s_[i]))) {
                ++i;
            } else if (s_.compare(i, 2, "//") == 0) {
                while (i < s_.size() && s_[i] != '\n') ++i;
            } else if (s_.compare(i, 2, "/*") == 0) {
                size_t end = s_.find("*/", i + 2);
                i = end == std::string::npos ? s_.size() : end + 2;
            } else {
                break;
            }
        }
        return i;
    }

    // Position after the matching close of the bracket at i (open is s_[i]); npos if unbalanced.
    size_t SkipBalanced(size_t i, char open, char close) const {
        int depth = 0;
        while (i < s_.size()) {
            size_t skipped = SkipTrivia(i);
            if (skipped != i) {
                i = skipped;
                continue;
            }
            char c = s_[i];
            if (c == '"' || c == '\'') {
                i = SkipQuoted(i);
                continue;
            }
            if (c == open) ++depth;
            if (c == close && --depth == 0) return i + 1;
            ++i;
        }
        return std::string::npos;
    }

    size_t SkipIdentifier(size_t i) const {
        while (i < s_.size() && IsIdentChar(s_[i])) ++i;
        return i;
    }

    // Position after the ';' that ends the declaration starting at i, skipping brace,
    // parenthesis and annotation groups; npos if there is none.
    size_t FindDeclarationEnd(size_t i) const {
        while (i < s_.size()) {
            size_t skipped = SkipTrivia(i);
            if (skipped != i) {
                i = skipped;
                continue;
            }
            char c = s_[i];
            if (c == ';') return i + 1;
            if (c == '"' || c == '\'') {
                i = SkipQuoted(i);
            } else if (c == '{' || c == '(' || c == '<') {
                // '<' opens an annotation block: the declarations stripped here have no other use for it.
                i = SkipBalanced(i, c, c == '{' ? '}' : c == '(' ? ')' : '>');
                if (i == std::string::npos) return i;
            } else if (c == '}') {
                return std::string::npos;
            } else {
                ++i;
            }
        }
        return std::string::npos;
    }

    void Blank(size_t begin, size_t end) {
        for (size_t i = begin; i < end && i < s_.size(); ++i) {
            if (s_[i] != '\n' && s_[i] != '\r') s_[i] = ' ';
        }
    }

    // The word s_[begin, end) starts a declaration at file scope. Returns the position after
    // what was blanked, or 0 when nothing was.
    size_t TryStrip(size_t begin, size_t end) {
        const std::string word = s_.substr(begin, end - begin);
        if (EqualsNoCase(word, "technique") || EqualsNoCase(word, "technique10") ||
            EqualsNoCase(word, "technique11") || EqualsNoCase(word, "pass") || word == "fxgroup") {
            // keyword [name] [<annotations>] { ... } [;]
            size_t i = SkipTrivia(end);
            if (i < s_.size() && IsIdentChar(s_[i])) i = SkipTrivia(SkipIdentifier(i));
            if (i < s_.size() && s_[i] == '<') {
                i = SkipBalanced(i, '<', '>');
                if (i == std::string::npos) return 0;
                i = SkipTrivia(i);
            }
            if (i >= s_.size() || s_[i] != '{') return 0;
            i = SkipBalanced(i, '{', '}');
            if (i == std::string::npos) return 0;
            size_t semicolon = SkipTrivia(i);
            if (semicolon < s_.size() && s_[semicolon] == ';') i = semicolon + 1;
            Blank(begin, i);
            return i;
        }
        if (word == "BlendState" || word == "DepthStencilState" || word == "RasterizerState" ||
            word == "VertexShader" || word == "PixelShader" || word == "GeometryShader" || word == "stateblock" ||
            IsLegacyTextureType(word)) {
            // No meaning outside the effect framework: the whole declaration goes.
            size_t i = FindDeclarationEnd(end);
            if (i == std::string::npos) return 0;
            Blank(begin, i);
            return i;
        }
        if (word == "SamplerState" || word == "SamplerComparisonState" || IsLegacySamplerType(word)) {
            // The sampler stays declared; only its state initialiser goes.
            size_t i = FindDeclarationEnd(end);
            if (i == std::string::npos) return 0;
            for (size_t j = end; j < i;) {
                size_t skipped = SkipTrivia(j);
                if (skipped != j) {
                    j = skipped;
                    continue;
                }
                if (s_[j] == '{') {
                    size_t close = SkipBalanced(j, '{', '}');
                    Blank(j, close);
                    j = close;
                } else if (s_[j] == '=') {
                    // "SamplerState s = sampler_state { ... };"
                    Blank(j, i - 1);
                    break;
                } else {
                    ++j;
                }
            }
            return i;
        }
        return 0;
    }

    std::string s_;
};

}  // namespace

std::string StripEffectFramework(const std::string& source) { return Stripper(source).Run(); }

}  // namespace gpu

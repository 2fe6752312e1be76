#pragma once
// The includes one translation reads, remembered by name. Each name is asked of the
// caller's IncludeHandler at most once per translation, so a failed include is logged once
// and the cache can compare the texts a blob was built from with the current ones.
#include <map>
#include <string>

#include "hlsl/hlslcompiler.h"

namespace gpu {

class HlslIncludes {
public:
    explicit HlslIncludes(IncludeHandler* handler) : handler_(handler) {}

    // Returns the text of the include, or null when it cannot be found.
    const std::string* Open(const std::string& name);
    // Whether the handler has the file, without logging; remembered like Open.
    bool Exists(const std::string& name);

    // Every include opened so far: name -> text (null entries for missing ones).
    struct Entry {
        bool found = false;
        std::string text;
    };
    const std::map<std::string, Entry>& Opened() const { return opened_; }

private:
    IncludeHandler* handler_;
    std::map<std::string, Entry> opened_;
};

}  // namespace gpu

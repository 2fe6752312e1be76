#include "hlsl/hlslcache.h"

#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "hlsl/hlsldiskcache.h"

namespace gpu {
namespace {

constexpr size_t kMaxEntries = 1024;

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

struct IncludeStamp {
    bool found = false;
    uint64_t hash = 0;
    size_t length = 0;
    bool operator==(const IncludeStamp&) const = default;
};

IncludeStamp Stamp(const HlslIncludes::Entry& entry) {
    return {entry.found, entry.found ? Fnv1a(entry.text) : 0, entry.text.size()};
}

struct Entry {
    std::string identity;
    std::map<std::string, IncludeStamp> includes;
    HlslCacheResult result;
    uint64_t lastUse = 0;
};

struct Cache {
    std::mutex lock;
    std::unordered_multimap<size_t, Entry> entries;
    uint64_t clock = 0;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

bool IncludesMatch(const Entry& entry, HlslIncludes* includes) {
    for (const auto& [name, stamp] : entry.includes) {
        includes->Open(name);
        auto it = includes->Opened().find(name);
        if (Stamp(it->second) != stamp) return false;
    }
    return true;
}

}  // namespace

static void RememberInMemory(const std::string& identity, const HlslIncludes& includes, const HlslCacheResult& result);

std::string HlslCacheIdentity(const CompileRequest& request) {
    std::string identity = request.profile + '\n' + request.entryPoint + '\n' + request.sourceName + '\n';
    for (const ShaderMacro& macro : request.macros) identity += macro.name + '=' + macro.value + '\n';
    identity += '\n';
    if (request.source) identity.append(request.source, request.sourceLength);
    return identity;
}

bool HlslCacheFind(const std::string& identity, HlslIncludes* includes, HlslCacheResult* result) {
    Cache& cache = TheCache();
    const size_t key = std::hash<std::string>{}(identity);
    // Includes are read outside the lock: the handler may be slow or log.
    std::vector<Entry> candidates;
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        auto range = cache.entries.equal_range(key);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second.identity == identity) candidates.push_back(it->second);
        }
    }
    for (const Entry& candidate : candidates) {
        if (!IncludesMatch(candidate, includes)) continue;
        *result = candidate.result;
        std::lock_guard<std::mutex> guard(cache.lock);
        auto range = cache.entries.equal_range(key);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second.identity == identity && it->second.includes == candidate.includes) {
                it->second.lastUse = ++cache.clock;
            }
        }
        return true;
    }
    // Not in memory: an earlier start may have left the translation on disk.
    if (!HlslDiskCacheFind(identity, includes, result)) return false;
    RememberInMemory(identity, *includes, *result);
    return true;
}

void HlslCacheStore(const std::string& identity, const HlslIncludes& includes, const HlslCacheResult& result) {
    HlslDiskCacheStore(identity, includes, result);
    RememberInMemory(identity, includes, result);
}

static void RememberInMemory(const std::string& identity, const HlslIncludes& includes, const HlslCacheResult& result) {
    Entry entry;
    entry.identity = identity;
    for (const auto& [name, opened] : includes.Opened()) entry.includes[name] = Stamp(opened);
    entry.result = result;

    Cache& cache = TheCache();
    const size_t key = std::hash<std::string>{}(identity);
    std::lock_guard<std::mutex> guard(cache.lock);
    // One version per identity: the older include texts are not coming back.
    auto range = cache.entries.equal_range(key);
    for (auto it = range.first; it != range.second;) {
        it = it->second.identity == identity ? cache.entries.erase(it) : std::next(it);
    }
    if (cache.entries.size() >= kMaxEntries) {
        auto oldest = cache.entries.begin();
        for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        }
        cache.entries.erase(oldest);
    }
    entry.lastUse = ++cache.clock;
    cache.entries.emplace(key, std::move(entry));
}

void HlslCacheClear() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.clear();
}

size_t HlslCacheSize() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    return cache.entries.size();
}

}  // namespace gpu

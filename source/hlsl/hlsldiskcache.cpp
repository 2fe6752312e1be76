#include "hlsl/hlsldiskcache.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "system/log.h"

#ifndef LUMIVANE_TRANSLATOR_HASH
#define LUMIVANE_TRANSLATOR_HASH "unversioned"
#endif

namespace gpu {

// Changes with every change of the translator's sources or libraries (set by the build), so
// no translation made by another build is ever taken for this one's.
constexpr const char* kHlslTranslatorVersion = "lumivane-hlsl " LUMIVANE_TRANSLATOR_HASH;
namespace {

constexpr char kMagic[4] = {'L', 'V', 'H', 'C'};
constexpr size_t kMaxFiles = 2048;  // entries kept; the least recently used go first

uint64_t Fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

uint64_t Fnv1a(const std::string& text) { return Fnv1a(text.data(), text.size()); }

std::mutex gLock;
std::string gFolder;         // set by tests; empty: the default
bool gWriteFailed = false;   // logged once; no more writes after
bool gDamageLogged = false;  // one line for damaged or stale files
bool gPruned = false;        // the folder is trimmed once per process
std::atomic<unsigned> gTempCounter{0};

// Little-endian-agnostic plain writer and reader: the file is only read on this machine.
class Writer {
public:
    template <typename T>
    void Put(T value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void Put(const std::string& text) {
        Put(static_cast<uint32_t>(text.size()));
        bytes += text;
    }
    std::string bytes;
};

class Reader {
public:
    Reader(const std::string& bytes, size_t end) : bytes_(bytes), end_(end) {}
    template <typename T>
    bool Get(T* value) {
        if (end_ - at_ < sizeof(T)) return false;
        std::memcpy(value, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }
    bool Get(std::string* text) {
        uint32_t size = 0;
        if (!Get(&size) || end_ - at_ < size) return false;
        text->assign(bytes_, at_, size);
        at_ += size;
        return true;
    }
    bool Count(uint32_t* count) { return Get(count) && *count <= end_ - at_; }  // each item takes a byte at least
    bool AtEnd() const { return at_ == end_; }

private:
    const std::string& bytes_;
    size_t end_;
    size_t at_ = 0;
};

void PutBlob(Writer& w, const ShaderBlob& blob) {
    w.Put(static_cast<uint32_t>(blob.stage));
    w.Put(blob.entryPoint);
    w.Put(blob.glsl);
    w.Put(static_cast<uint32_t>(blob.constantBuffers.size()));
    for (const auto& cb : blob.constantBuffers) {
        w.Put(cb.slot), w.Put(cb.glBinding), w.Put(cb.glSize);
        w.Put(static_cast<uint32_t>(cb.repack.size()));
        for (const auto& range : cb.repack) w.Put(range.hlslOffset), w.Put(range.glOffset), w.Put(range.size);
    }
    w.Put(static_cast<uint32_t>(blob.structuredBuffers.size()));
    for (const auto& sb : blob.structuredBuffers) w.Put(sb.slot), w.Put(sb.glBinding);
    w.Put(static_cast<uint32_t>(blob.textures.size()));
    for (const auto& t : blob.textures) w.Put(t.textureSlot), w.Put(t.samplerSlot), w.Put(t.glUnit), w.Put(static_cast<uint32_t>(t.kind));
    w.Put(static_cast<uint32_t>(blob.inputs.size()));
    for (const auto& input : blob.inputs) w.Put(input.semantic), w.Put(input.semanticIndex), w.Put(input.location);
}

bool GetBlob(Reader& r, ShaderBlob* blob) {
    uint32_t stage = 0, count = 0;
    if (!r.Get(&stage) || stage > 1 || !r.Get(&blob->entryPoint) || !r.Get(&blob->glsl)) return false;
    blob->stage = static_cast<ShaderStage>(stage);
    if (!r.Count(&count)) return false;
    blob->constantBuffers.resize(count);
    for (auto& cb : blob->constantBuffers) {
        uint32_t ranges = 0;
        if (!r.Get(&cb.slot) || !r.Get(&cb.glBinding) || !r.Get(&cb.glSize) || !r.Count(&ranges)) return false;
        cb.repack.resize(ranges);
        for (auto& range : cb.repack)
            if (!r.Get(&range.hlslOffset) || !r.Get(&range.glOffset) || !r.Get(&range.size)) return false;
    }
    if (!r.Count(&count)) return false;
    blob->structuredBuffers.resize(count);
    for (auto& sb : blob->structuredBuffers)
        if (!r.Get(&sb.slot) || !r.Get(&sb.glBinding)) return false;
    if (!r.Count(&count)) return false;
    blob->textures.resize(count);
    for (auto& t : blob->textures) {
        uint32_t kind = 0;
        if (!r.Get(&t.textureSlot) || !r.Get(&t.samplerSlot) || !r.Get(&t.glUnit) || !r.Get(&kind) || kind > 2)
            return false;
        t.kind = static_cast<ShaderBlob::TextureKind>(kind);
    }
    if (!r.Count(&count)) return false;
    blob->inputs.resize(count);
    for (auto& input : blob->inputs)
        if (!r.Get(&input.semantic) || !r.Get(&input.semanticIndex) || !r.Get(&input.location)) return false;
    return true;
}

std::string DefaultFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && *xdg == '/') return std::string(xdg) + "/lumivane/hlsl";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.cache/lumivane/hlsl";
    return std::string();
}

void NoteDamage(const std::string& path, const char* why) {
    std::lock_guard<std::mutex> guard(gLock);
    if (gDamageLogged) return;
    gDamageLogged = true;
    LOG("Shader cache: ignoring %s entry %s; it will be rewritten", why, path.c_str());
}

// Keeps the newest kMaxFiles entries (a hit renews an entry's time) and removes temporary
// files a crashed writer left behind. Errors only mean less is removed.
void Prune(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::pair<fs::file_time_type, fs::path>> entries;
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
        const fs::file_time_type time = file.last_write_time(error);
        if (error) continue;
        if (file.path().extension() == ".bin") {
            entries.emplace_back(time, file.path());
        } else if (file.path().string().find(".bin.tmp") != std::string::npos && now - time > std::chrono::hours(1)) {
            fs::remove(file.path(), error);
        }
    }
    if (entries.size() <= kMaxFiles) return;
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t i = kMaxFiles; i < entries.size(); ++i) fs::remove(entries[i].second, error);
}

// Writes the bytes to a temporary file beside `path` and renames it over `path`.
bool WriteWhole(const std::string& folder, const std::string& path, const std::string& bytes, std::string* why) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        *why = error.message();
        return false;
    }
    const std::string temp = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(gTempCounter++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *why = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (done != bytes.size() || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        *why = std::strerror(done != bytes.size() ? savedErrno : errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string HlslDiskCacheFolder() {
    std::lock_guard<std::mutex> guard(gLock);
    return gFolder.empty() ? DefaultFolder() : gFolder;
}

void HlslDiskCacheSetFolder(const std::string& folder) {
    std::lock_guard<std::mutex> guard(gLock);
    gFolder = folder;
    gWriteFailed = false;
    gPruned = false;
    gDamageLogged = false;
}

std::string HlslDiskCachePath(const std::string& identity) {
    const std::string folder = HlslDiskCacheFolder();
    if (folder.empty()) return std::string();
    const uint64_t hash = Fnv1a(identity.data(), identity.size(), Fnv1a(kHlslTranslatorVersion));
    char name[32];
    std::snprintf(name, sizeof name, "/%016llx.bin", static_cast<unsigned long long>(hash));
    return folder + name;
}

bool HlslDiskCacheFind(const std::string& identity, HlslIncludes* includes, HlslCacheResult* result) {
    const std::string path = HlslDiskCachePath(identity);
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;  // not cached yet
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    uint64_t checksum = 0;
    if (bytes.size() < sizeof kMagic + sizeof checksum || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        NoteDamage(path, "a damaged");
        return false;
    }
    const size_t body = bytes.size() - sizeof checksum;
    std::memcpy(&checksum, bytes.data() + body, sizeof checksum);
    if (checksum != Fnv1a(bytes.data(), body)) {
        NoteDamage(path, "a damaged");
        return false;
    }
    Reader r(bytes, body);
    char magic[4];
    std::string version, storedIdentity;
    uint32_t includeCount = 0;
    for (char& c : magic) r.Get(&c);
    if (!r.Get(&version) || version != kHlslTranslatorVersion) {
        NoteDamage(path, "another version's");
        return false;
    }
    if (!r.Get(&storedIdentity) || storedIdentity != identity) return false;  // a hash collision: translate
    if (!r.Count(&includeCount)) {
        NoteDamage(path, "a damaged");
        return false;
    }
    for (uint32_t i = 0; i < includeCount; ++i) {
        std::string name;
        uint8_t found = 0;
        uint64_t hash = 0, length = 0;
        if (!r.Get(&name) || !r.Get(&found) || !r.Get(&hash) || !r.Get(&length)) {
            NoteDamage(path, "a damaged");
            return false;
        }
        const std::string* text = includes->Open(name);
        const bool nowFound = text != nullptr;
        if (nowFound != (found != 0)) return false;
        if (text && (text->size() != length || Fnv1a(*text) != hash)) return false;  // an include changed
    }
    auto blob = std::make_shared<ShaderBlob>();
    if (!GetBlob(r, blob.get()) || !r.AtEnd()) {
        NoteDamage(path, "a damaged");
        return false;
    }
    result->blob = std::move(blob);
    result->errors.clear();
    std::error_code ignored;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now(), ignored);  // recently used
    return true;
}

void HlslDiskCacheStore(const std::string& identity, const HlslIncludes& includes, const HlslCacheResult& result) {
    if (!result.blob) return;
    const std::string path = HlslDiskCachePath(identity);
    if (path.empty()) return;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (gWriteFailed) return;
    }
    Writer w;
    w.bytes.append(kMagic, sizeof kMagic);
    w.Put(std::string(kHlslTranslatorVersion));
    w.Put(identity);
    w.Put(static_cast<uint32_t>(includes.Opened().size()));
    for (const auto& [name, entry] : includes.Opened()) {
        w.Put(name);
        w.Put(static_cast<uint8_t>(entry.found ? 1 : 0));
        w.Put(entry.found ? Fnv1a(entry.text) : uint64_t(0));
        w.Put(static_cast<uint64_t>(entry.found ? entry.text.size() : 0));
    }
    PutBlob(w, *result.blob);
    w.Put(Fnv1a(w.bytes.data(), w.bytes.size()));

    std::string why;
    const std::string folder = path.substr(0, path.rfind('/'));
    if (WriteWhole(folder, path, w.bytes, &why)) {
        bool prune = false;
        {
            std::lock_guard<std::mutex> guard(gLock);
            prune = !gPruned;
            gPruned = true;
        }
        if (prune) Prune(folder);
        return;
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (gWriteFailed) return;
    gWriteFailed = true;
    LOG("Shader cache off: cannot write %s (%s); translating at every start", folder.c_str(), why.c_str());
}

}  // namespace gpu

#pragma once
// The translation cache on disk, so a second start skips translating: one file per entry
// point under the user's cache folder ($XDG_CACHE_HOME or ~/.cache, then lumivane/hlsl),
// named by a hash of the identity and the translator's version. A file holds the identity,
// the includes' hashes and the blob behind a checksum; damaged, stale or foreign files are
// ignored and overwritten. Writes go to a temporary file that is renamed into place, so a
// reader never sees half a file, also from a second player running at the same time.
// A folder that cannot be made or written turns the cache off, logged once.
#include <string>

#include "hlsl/hlslcache.h"
#include "hlsl/hlslincludes.h"

namespace gpu {

// Loads a successful translation of the identity whose includes still have the texts read
// through *includes.
bool HlslDiskCacheFind(const std::string& identity, HlslIncludes* includes, HlslCacheResult* result);
// Saves a successful translation (failures are not kept: their messages are cheap to make).
void HlslDiskCacheStore(const std::string& identity, const HlslIncludes& includes, const HlslCacheResult& result);

// The cache folder; empty when no home is known. Tests point it elsewhere with SetFolder.
std::string HlslDiskCacheFolder();
void HlslDiskCacheSetFolder(const std::string& folder);  // empty: the default again
// The file an identity is stored in (tests damage it).
std::string HlslDiskCachePath(const std::string& identity);

}  // namespace gpu
